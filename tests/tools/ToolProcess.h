#pragma once

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

// What a finished ktrctl run left behind.
struct ToolResult {
    int status = -1;
    std::string out;
    std::string err;
};

// A program started in the background, its stdout and stderr going to
// files of a scratch folder. Killed (SIGKILL) if it still runs when the
// object ends.
class BackgroundProgram {
public:
    // env: extra entries ("NAME=value") replacing those of the same name.
    BackgroundProgram(const std::string& path, const std::vector<std::string>& args,
                      const std::vector<std::string>& env, const std::string& scratchDir);
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;
    ~BackgroundProgram();

    bool Started() const { return m_pid > 0; }
    void Signal(int signal) const;
    // Waits for the end; the status is the exit code, or 128 + the signal
    // that ended the program.
    ToolResult Wait();

private:
    pid_t m_pid = -1;
    std::string m_outPath;
    std::string m_errPath;
};

// A ktrsim process in a fresh folder of its own: its links in <dir>/ports,
// its supported-models file <dir>/models, its transcript <dir>/transcript
// and its messages <dir>/ktrsim.err. Stopped with SIGTERM when the object
// ends.
class SimProcess {
public:
    // configJson empty: the built-in default network. paced: the counters
    // answer at the pace of a 9600-baud line, otherwise at once.
    explicit SimProcess(const std::string& configJson = "", bool paced = false);
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess();

    // True once ktrsim has printed READY.
    bool Ready() const { return m_ready; }
    // Sends SIGTERM and returns ktrsim's exit status (-1 if it did not exit).
    int Stop();

    const std::string& Dir() const { return m_dir; }
    std::string PortDir() const { return m_dir + "/ports"; }
    std::string ModelsFile() const { return m_dir + "/models"; }
    // The programming journal of the ktrctl runs on this network.
    std::string JournalFile() const { return m_dir + "/journal.jsonl"; }
    std::string Transcript() const;
    // The transcript's length once the bytes of the runs before have all
    // arrived (after a pause of 150 ms).
    size_t SettledTranscriptLength() const;
    // The bytes the program sent to the counters of one port, from the
    // transcript line "+offset" on (offset: a length of Transcript()).
    std::string BytesToCounters(int port, size_t offset = 0) const;

    // Runs ktrctl with the given arguments (split at spaces) and the
    // environment pointing at this network.
    ToolResult Ktrctl(const std::string& args) const;
    // The arguments as given (empty ones included).
    ToolResult Ktrctl(const std::vector<std::string>& args) const;
    ToolResult Ktrctl(const std::string& args, const std::string& modelsFile) const;
    // Runs ktrctl with this network's environment, the extra entries
    // replacing those of the same name.
    ToolResult KtrctlWithEnv(const std::vector<std::string>& args,
                             const std::vector<std::string>& env) const;
    // Starts ktrctl in the background on this network.
    std::unique_ptr<BackgroundProgram> StartKtrctl(const std::string& args) const;

    // Waits until ktrsim has said text on stderr; false after timeoutMs.
    bool AwaitMessage(const std::string& text, int timeoutMs) const;

private:
    std::vector<std::string> Environment(const std::string& modelsFile) const;

    std::string m_dir;
    pid_t m_pid = -1;
    int m_stdout = -1;
    bool m_ready = false;
};

// Runs a program with arguments and extra environment entries ("NAME=value"),
// capturing stdout and stderr.
ToolResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                      const std::vector<std::string>& env, const std::string& scratchDir);

// Runs ktrsim with arguments to completion (for argument and config errors).
ToolResult RunKtrsim(const std::vector<std::string>& args, const std::string& scratchDir);

// A fresh temporary folder; removed with RemoveTree.
std::string MakeTempDir();
void RemoveTree(const std::string& dir);
