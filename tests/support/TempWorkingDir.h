#pragma once
// A fresh temporary directory that is the process's working directory while this lives; the
// previous working directory is restored and the directory removed afterwards.
#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <string>

class TempWorkingDir {
public:
    TempWorkingDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TempWorkingDir() { QDir::setCurrent(previous_); }
    TempWorkingDir(const TempWorkingDir&) = delete;
    TempWorkingDir& operator=(const TempWorkingDir&) = delete;

    bool IsValid() const { return dir_.isValid() && QDir::currentPath() == QDir(dir_.path()).canonicalPath(); }
    // Absolute path of Name inside the directory.
    std::string Path(const std::string& Name) const { return dir_.filePath(QString::fromStdString(Name)).toStdString(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Whole files as bytes.
inline void WriteFileBytes(const std::string& Path, const std::string& Bytes)
{
    std::ofstream(Path, std::ios::binary) << Bytes;
}

inline std::string ReadFileBytes(const std::string& Path)
{
    std::ifstream file(Path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}
