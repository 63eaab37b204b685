#include "support/MDirect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>


namespace mdirect {
namespace {

// Runs each line read from standard input. After each line it writes $C(1) and a
// line feed; an error first writes $C(2) and $ZSTATUS, then the session goes on.
constexpr const char* SessionRoutine =
    "ZZMDSESS ; test session: one line of M commands per line of input\n"
    " N %MDLINE\n"
    " S $ETRAP=\"W $C(2),$ZSTATUS S $ECODE=\"\"\"\" ZGOTO \"_$ZLEVEL_\":DONE^ZZMDSESS\"\n"
    "NEXT R %MDLINE Q:$ZEOF  X %MDLINE\n"
    "DONE W $C(1),! G NEXT\n";

// An untrapped error in a fresh process: $ZSTATUS on standard error, exit code 1.
constexpr const char* RunErrorTrap =
    "S $ETRAP=\"ZHALT 99\" O \"/dev/stderr\" U \"/dev/stderr\" W $ZSTATUS,! ZHALT 1";

std::runtime_error Failure(const std::string& what)
{
    return std::runtime_error("mdirect: " + what);
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw Failure("cannot write " + path);
}

QProcessEnvironment ProcessEnvironment(const std::map<std::string, std::string>& variables)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : env.keys())
        if (key.startsWith("gtm", Qt::CaseInsensitive) || key.startsWith("ydb", Qt::CaseInsensitive))
            env.remove(key);
    for (const auto& [name, value] : variables)
        env.insert(QString::fromStdString(name), QString::fromStdString(value));
    return env;
}

struct Finished {
    int exitCode = -1;
    std::string output;
    std::string error;
};

Finished RunProcess(const std::string& program, const QStringList& arguments,
                    const QProcessEnvironment& env, const std::string& workingDir,
                    const std::string& input, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(workingDir));
    process.start(QString::fromStdString(program), arguments);
    if (!process.waitForStarted(timeoutMs))
        throw Failure("cannot start " + program);
    if (!input.empty())
        process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    Finished result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(-1);
    } else if (process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
    }
    const QByteArray out = process.readAllStandardOutput();
    const QByteArray err = process.readAllStandardError();
    result.output.assign(out.constData(), static_cast<size_t>(out.size()));
    result.error.assign(err.constData(), static_cast<size_t>(err.size()));
    return result;
}

// Makes a global directory and its database file mumps.dat in dir. GDE starting without
// a global directory waits half a second for one; it starts at once from the
// distribution's help directory, and every parameter that matters is set here either way.
void CreateDatabase(const std::string& dir, const QProcessEnvironment& env)
{
    const std::string dist = GtmDist();
    const std::string gld = dir + "/mumps.gld";
    if (std::filesystem::exists(dist + "/gtmhelp.gld"))
        std::filesystem::copy_file(dist + "/gtmhelp.gld", gld);
    const std::string commands =
        "change -region DEFAULT -key_size=1019 -record_size=1048576 -null_subscripts=true -stdnull\n"
        "change -segment DEFAULT -file_name=" + dir + "/mumps.dat\n"  // takes the rest of its line
        "exit\n";
    const Finished gde = RunProcess(dist + "/mumps", {"-run", "GDE"}, env, dir, commands, 30000);
    if (gde.exitCode != 0 || gde.output.find("-E-") != std::string::npos || !std::filesystem::exists(gld))
        throw Failure("GDE failed: " + gde.output + gde.error);
    const Finished create = RunProcess(dist + "/mupip", {"create"}, env, dir, "", 30000);
    if (create.exitCode != 0)
        throw Failure("mupip create failed: " + create.output + create.error);
}

}  // namespace

std::string GtmDist()
{
    const QByteArray fromEnv = qgetenv("gtm_dist");
    if (!fromEnv.isEmpty() && QFileInfo::exists(QString::fromLocal8Bit(fromEnv) + "/mumps"))
        return fromEnv.toStdString();
    const QDir packages("/usr/lib/x86_64-linux-gnu/fis-gtm");
    const QStringList versions = packages.entryList({"V*"}, QDir::Dirs, QDir::Name | QDir::Reversed);
    for (const QString& version : versions)
        if (QFileInfo::exists(packages.filePath(version) + "/mumps"))
            return packages.filePath(version).toStdString();
    return {};
}

std::string RoutineSourceDir()
{
    const QByteArray fromEnv = qgetenv("TREVASK_SOURCE_DIR");
    const std::filesystem::path root = fromEnv.isEmpty()
        ? std::filesystem::path(__FILE__).parent_path().parent_path().parent_path()
        : std::filesystem::path(fromEnv.toStdString());
    return (root / "vism").string();
}

MDatabase::MDatabase() : MDatabase(std::string())
{
}

MDatabase::MDatabase(std::string globalDirectory)
{
    if (GtmDist().empty())
        throw Failure("GT.M is not installed");
    temp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/trevask-mdb-XXXXXX");
    if (!temp_->isValid())
        throw Failure("cannot make a temporary directory");
    directory_ = temp_->path().toStdString();
    scratchDir_ = directory_ + "/scratch";
    globalDirectory_ = globalDirectory.empty() ? directory_ + "/mumps.gld" : std::move(globalDirectory);
    std::filesystem::create_directories(directory_ + "/obj");
    std::filesystem::create_directories(scratchDir_);
    WriteFile(scratchDir_ + "/ZZMDSESS.m", SessionRoutine);

    const QProcessEnvironment env = ProcessEnvironment(Environment());
    if (!std::filesystem::exists(globalDirectory_))
        CreateDatabase(directory_, env);

    // Compile the server routines once, so that concurrent first uses do not race.
    QStringList sources;
    for (const auto& entry : std::filesystem::directory_iterator(RoutineSourceDir()))
        if (entry.path().extension() == ".m")
            sources << QString::fromStdString(entry.path().string());
    if (!sources.isEmpty())
        RunProcess(GtmDist() + "/mumps", sources, env, directory_ + "/obj", "", 30000);

    keeper_ = std::make_unique<MSession>(*this);
    keeper_->Execute("S %=$D(^%MDIRECT)");
}

MDatabase::~MDatabase()
{
    keeper_.reset();
}

std::map<std::string, std::string> MDatabase::Environment() const
{
    const std::string dist = GtmDist();
    return {
        {"gtm_dist", dist},
        {"gtmgbldir", GlobalDirectory()},
        {"gtmroutines", directory_ + "/obj(" + RoutineSourceDir() + ") " + scratchDir_ + " " + dist +
                            "/libgtmutil.so " + dist},
        {"gtm_chset", "M"},
    };
}

MResult MDatabase::Run(const std::string& code, int timeoutMs) const
{
    const std::string name = "ZZMD" + std::to_string(++routineCount_);
    std::string routine = name + " ; M text run by a test\n";
    size_t start = 0;
    while (start <= code.size()) {
        const size_t end = std::min(code.find('\n', start), code.size());
        routine += " " + code.substr(start, end - start) + "\n";
        start = end + 1;
    }
    routine += " S $X=0 Q\n";  // else the process ends its last line with a line feed
    WriteFile(scratchDir_ + "/" + name + ".m", routine);

    auto variables = Environment();
    variables["gtm_etrap"] = RunErrorTrap;
    const Finished done = RunProcess(GtmDist() + "/mumps", {"-run", QString::fromStdString(name)},
                                     ProcessEnvironment(variables), directory_, "", timeoutMs);
    return MResult{done.exitCode, done.output, done.error};
}

std::string MDatabase::Output(const std::string& code, int timeoutMs) const
{
    const MResult result = Run(code, timeoutMs);
    if (!result.Ok())
        throw Failure("M text failed (exit " + std::to_string(result.exitCode) + "): " + result.error +
                      "\n  text: " + code);
    return result.output;
}

MSession::MSession(const MDatabase& db) : process_(std::make_unique<QProcess>())
{
    process_->setProcessEnvironment(ProcessEnvironment(db.Environment()));
    process_->setWorkingDirectory(QString::fromStdString(db.Directory()));
    process_->start(QString::fromStdString(GtmDist() + "/mumps"), {"-run", "ZZMDSESS"});
    if (!process_->waitForStarted(10000))
        throw Failure("cannot start a session");
}

MSession::~MSession()
{
    if (process_->state() == QProcess::NotRunning)
        return;
    process_->closeWriteChannel();
    if (!process_->waitForFinished(5000)) {
        process_->kill();
        process_->waitForFinished(-1);
    }
}

std::string MSession::Execute(const std::string& line, int timeoutMs)
{
    if (line.find('\n') != std::string::npos)
        throw Failure("a session line cannot hold a line feed");
    if (process_->state() != QProcess::Running)
        throw Failure("the session has ended");
    const std::string request = line + "\n";
    process_->write(request.data(), static_cast<qint64>(request.size()));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string answer;
    const std::string end = "\x01\n";
    while (answer.size() < end.size() || answer.compare(answer.size() - end.size(), end.size(), end) != 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw Failure("no answer within " + std::to_string(timeoutMs) + " ms to: " + line);
        if (process_->bytesAvailable() == 0 && !process_->waitForReadyRead(static_cast<int>(left.count()))) {
            if (process_->state() != QProcess::Running)
                throw Failure("the session ended while running: " + line + "\n" +
                              process_->readAllStandardError().toStdString());
            continue;
        }
        const QByteArray chunk = process_->readAllStandardOutput();
        answer.append(chunk.constData(), static_cast<size_t>(chunk.size()));
    }
    answer.resize(answer.size() - end.size());
    const size_t error = answer.find('\x02');
    if (error != std::string::npos)
        throw MError(answer.substr(error + 1));
    return answer;
}

void MSession::Kill()
{
    process_->kill();
    process_->waitForFinished(-1);
}

long long MSession::ProcessId() const
{
    return process_->processId();
}

}  // namespace mdirect
