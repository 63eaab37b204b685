#include "support/Scripts.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <stdexcept>

#include "support/MDirect.h"

namespace scripts {

std::filesystem::path ScriptPath(const std::string& Name)
{
    return std::filesystem::path(mdirect::RoutineSourceDir()).parent_path() / "scripts" / Name;
}

ScriptResult RunScript(const std::string& Name, const std::vector<std::string>& Arguments,
                       const std::vector<std::string>& Environment, const std::string& Input)
{
    const std::string path = ScriptPath(Name).string();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const std::string& entry : Environment) {
        const size_t equals = entry.find('=');
        environment.insert(QString::fromStdString(entry.substr(0, equals)),
                           QString::fromStdString(entry.substr(equals + 1)));
    }
    QStringList arguments;
    for (const std::string& argument : Arguments)
        arguments << QString::fromStdString(argument);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QString::fromStdString(path), arguments);
    if (!process.waitForStarted(10000))
        throw std::runtime_error("cannot run " + path);
    process.write(Input.data(), static_cast<qint64>(Input.size()));
    process.closeWriteChannel();
    ScriptResult result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(-1);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    result.output = process.readAllStandardOutput().toStdString();
    result.errors = process.readAllStandardError().toStdString();
    return result;
}

std::string MDirectLauncherSetting()
{
    return std::string("TREVASK_M_DIRECT=") + TREVASK_M_DIRECT;
}

ScriptResult RunMDirect(const std::string& NameSpace, const std::string& Lines,
                        const std::vector<std::string>& Environment)
{
    std::vector<std::string> environment = Environment;
    environment.push_back(MDirectLauncherSetting());
    return RunScript("m-direct", {NameSpace}, environment, Lines);
}

} // namespace scripts
