#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "TestProcess.h"

namespace testproc {

namespace {

std::string FileText(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

TRun RunProgram(const std::vector<std::string>& args)
{
    TTempDir io("testproc");
    const fs::path out = io / "stdout", err = io / "stderr";
    const pid_t pid = ::fork();
    if (pid < 0) return {};
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0) ::_exit(127);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    TRun run;
    run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = FileText(out);
    run.Err = FileText(err);
    return run;
}

TRun RunPythonReader(const std::string& script, const std::vector<std::string>& options, const fs::path& file)
{
    std::vector<std::string> args{"/usr/bin/python3", std::string(TAGSTATION_TEST_TOOLS_DIR) + "/" + script};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(file.string());
    return RunProgram(args);
}

fs::path TestProgramPath() { return fs::read_symlink("/proc/self/exe"); }

}  // namespace testproc
