#include "ToolProcess.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> SplitArgs(const std::string& args) {
    std::vector<std::string> parts;
    std::istringstream in(args);
    for (std::string part; in >> part;)
        parts.push_back(part);
    return parts;
}

std::vector<char*> CStrings(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::string NameOf(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

// The process environment with the extra entries replacing those of the same name.
std::vector<std::string> Environment(const std::vector<std::string>& extra) {
    std::vector<std::string> env = extra;
    for (char** entry = environ; *entry; ++entry) {
        const std::string name = NameOf(*entry);
        bool replaced = false;
        for (const std::string& mine : extra)
            replaced = replaced || NameOf(mine) == name;
        if (!replaced)
            env.emplace_back(*entry);
    }
    return env;
}

int WaitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Reads ktrsim's stdout until the READY line, for at most 20 s.
bool AwaitReady(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string seen;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        seen.append(buffer, size_t(n));
        if (seen.find("READY\n") != std::string::npos)
            return true;
    }
    return false;
}

} // namespace

std::string MakeTempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/ktrtools-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        return "";
    return pattern;
}

void RemoveTree(const std::string& dir) {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

BackgroundProgram::BackgroundProgram(const std::string& path, const std::vector<std::string>& args,
                                     const std::vector<std::string>& env,
                                     const std::string& scratchDir) {
    static std::atomic<int> runs{0};
    const std::string name = scratchDir + "/run" + std::to_string(runs++);
    m_outPath = name + ".out";
    m_errPath = name + ".err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv{path};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envp = Environment(env);
    auto argvC = CStrings(argv);
    auto envC = CStrings(envp);
    if (posix_spawn(&m_pid, path.c_str(), &actions, nullptr, argvC.data(), envC.data()) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

BackgroundProgram::~BackgroundProgram() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    WaitStatus(m_pid);
}

void BackgroundProgram::Signal(int signal) const {
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

ToolResult BackgroundProgram::Wait() {
    ToolResult result;
    if (m_pid > 0)
        result.status = WaitStatus(m_pid);
    m_pid = -1;
    result.out = ReadFile(m_outPath);
    result.err = ReadFile(m_errPath);
    return result;
}

ToolResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                      const std::vector<std::string>& env, const std::string& scratchDir) {
    return BackgroundProgram(path, args, env, scratchDir).Wait();
}

ToolResult RunKtrsim(const std::vector<std::string>& args, const std::string& scratchDir) {
    return RunProgram(KTRSIM_PATH, args, {}, scratchDir);
}

SimProcess::SimProcess(const std::string& configJson, bool paced) : m_dir(MakeTempDir()) {
    std::vector<std::string> argv{KTRSIM_PATH,          "--port-dir", PortDir(),
                                  "--models-file",      ModelsFile(), "--transcript",
                                  m_dir + "/transcript"};
    if (!paced)
        argv.push_back("--no-timing");
    if (!configJson.empty()) {
        std::ofstream(m_dir + "/config.json") << configJson;
        argv.insert(argv.end(), {"--config", m_dir + "/config.json"});
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (m_dir + "/ktrsim.err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    auto argvC = CStrings(argv);
    if (posix_spawn(&m_pid, KTRSIM_PATH, &actions, nullptr, argvC.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    m_stdout = pipeFds[0];
    m_ready = m_pid > 0 && AwaitReady(m_stdout);
}

SimProcess::~SimProcess() {
    Stop();
    if (m_stdout >= 0)
        ::close(m_stdout);
    RemoveTree(m_dir);
}

int SimProcess::Stop() {
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    const int status = WaitStatus(m_pid);
    m_pid = -1;
    return status;
}

std::string SimProcess::Transcript() const {
    return ReadFile(m_dir + "/transcript");
}

size_t SimProcess::SettledTranscriptLength() const {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return Transcript().size();
}

// Transcript lines look like "COM3 +     12.345 ms > 6F o".
std::string SimProcess::BytesToCounters(int port, size_t offset) const {
    const std::string text = Transcript();
    std::istringstream lines(offset < text.size() ? text.substr(offset) : "");
    const std::string prefix = "COM" + std::to_string(port) + " ";
    std::string bytes;
    for (std::string line; std::getline(lines, line);) {
        const size_t arrow = line.find(" > ");
        if (line.rfind(prefix, 0) == 0 && arrow != std::string::npos)
            bytes += char(std::stoi(line.substr(arrow + 3, 2), nullptr, 16));
    }
    return bytes;
}

// ktrctl's environment on this network; its programming journal is a file
// of the network's folder, never the user's.
std::vector<std::string> SimProcess::Environment(const std::string& modelsFile) const {
    return {"KTRSETUP_PORT_DIR=" + PortDir(), "KTRSETUP_SUPPORTED_MODELS=" + modelsFile,
            "KTRSETUP_JOURNAL=" + JournalFile()};
}

ToolResult SimProcess::Ktrctl(const std::string& args) const {
    return Ktrctl(args, ModelsFile());
}

ToolResult SimProcess::Ktrctl(const std::vector<std::string>& args) const {
    return KtrctlWithEnv(args, {});
}

ToolResult SimProcess::KtrctlWithEnv(const std::vector<std::string>& args,
                                     const std::vector<std::string>& env) const {
    std::vector<std::string> all = Environment(ModelsFile());
    all.insert(all.begin(), env.begin(), env.end());
    return RunProgram(KTRCTL_PATH, args, all, m_dir);
}

std::unique_ptr<BackgroundProgram> SimProcess::StartKtrctl(const std::string& args) const {
    return std::make_unique<BackgroundProgram>(KTRCTL_PATH, SplitArgs(args),
                                               Environment(ModelsFile()), m_dir);
}

bool SimProcess::AwaitMessage(const std::string& text, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ReadFile(m_dir + "/ktrsim.err").find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

ToolResult SimProcess::Ktrctl(const std::string& args, const std::string& modelsFile) const {
    return RunProgram(KTRCTL_PATH, SplitArgs(args), Environment(modelsFile), m_dir);
}
