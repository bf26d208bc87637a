#include "tools/ffmpeg_process.h"
#include "tools/video_plan.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/video_plan.h"

namespace {

volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int signal)
{
    stopSignal = signal;
}

std::string temporaryLog()
{
    const std::string pattern = (std::filesystem::temp_directory_path() / "invite_ffmpeg_XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) return "";
    close(fd);
    return name.data();
}

std::string lastLines(const std::string& path, int lines)
{
    std::ifstream in(path);
    std::vector<std::string> all;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) all.push_back(line);
    }
    std::string tail;
    for (std::size_t i = all.size() > std::size_t(lines) ? all.size() - lines : 0; i < all.size(); ++i) {
        tail += "  ffmpeg: " + all[i] + "\n";
    }
    return tail;
}

// Forks `program args...` in its own process group, with the given descriptors as its
// standard input, standard output, descriptor 3 and standard error (-1: /dev/null).
pid_t spawn(const std::string& program, const std::vector<std::string>& args, int in, int out, int three,
            int err)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setpgid(0, 0);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
    const int null = open("/dev/null", O_RDWR);
    // Moved above 3 first, so that no dup2 below overwrites a descriptor still to be used.
    const int source[4] = {in, out, three, err};
    int high[4];
    for (int i = 0; i < 4; ++i) high[i] = fcntl(source[i] >= 0 ? source[i] : null, F_DUPFD, 10);
    for (int i = 0; i < 4; ++i) dup2(high[i], i == 3 ? 2 : i == 2 ? 3 : i);
    const long maxFd = sysconf(_SC_OPEN_MAX);
    for (long fd = 4; fd < maxFd && fd < 1024; ++fd) close(int(fd));
    execv(program.c_str(), argv.data());
    _exit(127);
}

int waitExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

void catchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

int stopSignalCaught()
{
    return stopSignal;
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) != 0;
}

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        struct stat info;
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

bool decodeSoundtrack(const std::string& ffmpeg, const std::string& path,
                      std::vector<std::int16_t>& samples, std::string& error)
{
    if (access(path.c_str(), R_OK) != 0) {
        error = "cannot read the soundtrack " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string log = temporaryLog();
    const int logFd = log.empty() ? -1 : open(log.c_str(), O_WRONLY);
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t pid = spawn(ffmpeg,
                            {"-hide_banner", "-nostdin", "-loglevel", "error", "-i", ffmpegFile(path), "-vn",
                             "-f", "s16le", "-ac", std::to_string(soundtrackChannels),
                             "-ar", std::to_string(soundtrackRate), "pipe:1"},
                            -1, pipeFds[1], -1, logFd);
    close(pipeFds[1]);
    if (logFd >= 0) close(logFd);
    std::vector<char> bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    close(pipeFds[0]);
    const int code = pid > 0 ? waitExit(pid) : -1;
    const std::string tail = lastLines(log, 3);
    if (!log.empty()) std::remove(log.c_str());
    const std::size_t frameBytes = sizeof(std::int16_t) * soundtrackChannels;
    if (code != 0 || bytes.size() < frameBytes) {
        error = "cannot decode the soundtrack " + path + (tail.empty() ? "" : "\n" + tail);
        return false;
    }
    samples.resize(bytes.size() / sizeof(std::int16_t) / soundtrackChannels * soundtrackChannels);
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(std::int16_t));
    return true;
}

bool startEncoder(const std::string& ffmpeg, const std::vector<std::string>& args,
                  EncoderProcess& encoder, std::string& error)
{
    encoder.logPath = temporaryLog();
    const int logFd = encoder.logPath.empty() ? -1 : open(encoder.logPath.c_str(), O_WRONLY);
    int video[2];
    int audio[2];
    if (pipe2(video, O_CLOEXEC) != 0 || pipe2(audio, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    // A deeper pipe for the frames lets the renderer run ahead while x264 is busy.
    fcntl(video[1], F_SETPIPE_SZ, 1 << 20);
    encoder.pid = spawn(ffmpeg, args, video[0], -1, audio[0], logFd);
    close(video[0]);
    close(audio[0]);
    if (logFd >= 0) close(logFd);
    encoder.videoFd = video[1];
    encoder.audioFd = audio[1];
    fcntl(encoder.videoFd, F_SETFL, O_NONBLOCK);
    fcntl(encoder.audioFd, F_SETFL, O_NONBLOCK);
    if (encoder.pid < 0) {
        error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        close(video[1]);
        close(audio[1]);
        return false;
    }
    return true;
}

bool writeToEncoder(const EncoderProcess& encoder, int fd, const void* bytes, std::size_t length)
{
    const char* at = static_cast<const char*>(bytes);
    int stalledMs = 0;
    while (length > 0) {
        if (stopSignal != 0) return false;
        const ssize_t wrote = write(fd, at, length);
        if (wrote > 0) {
            at += wrote;
            length -= std::size_t(wrote);
            stalledMs = 0;
            continue;
        }
        if (wrote < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd ready{fd, POLLOUT, 0};
        if (poll(&ready, 1, 250) == 0) stalledMs += 250;
        // An ffmpeg that failed can hang while it ends, waiting for the other pipe, and it
        // reports only errors: a stalled write with an error in its log means it has failed.
        struct stat log;
        if (stalledMs >= 1000 && stat(encoder.logPath.c_str(), &log) == 0 && log.st_size > 0) return false;
    }
    return true;
}

bool finishEncoder(EncoderProcess& encoder)
{
    if (encoder.videoFd >= 0) close(encoder.videoFd);
    if (encoder.audioFd >= 0) close(encoder.audioFd);
    encoder.videoFd = encoder.audioFd = -1;
    if (encoder.pid <= 0) return false;
    const int code = waitExit(encoder.pid);
    encoder.pid = -1;
    return code == 0;
}

void stopEncoder(EncoderProcess& encoder)
{
    if (encoder.pid > 0) kill(encoder.pid, SIGKILL);
    finishEncoder(encoder);
}

std::string encoderLogTail(EncoderProcess& encoder, int lines)
{
    if (encoder.logPath.empty()) return "";
    const std::string tail = lastLines(encoder.logPath, lines);
    std::remove(encoder.logPath.c_str());
    encoder.logPath.clear();
    return tail;
}

bool runEncoderPass(const std::string& ffmpeg, const std::vector<std::string>& args,
                    const std::function<void(std::int64_t)>& frames, std::string& error)
{
    const std::string log = temporaryLog();
    const int logFd = log.empty() ? -1 : open(log.c_str(), O_WRONLY);
    int progress[2];
    if (pipe2(progress, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        if (logFd >= 0) close(logFd);
        return false;
    }
    const pid_t pid = spawn(ffmpeg, args, -1, progress[1], -1, logFd);
    close(progress[1]);
    if (logFd >= 0) close(logFd);
    std::string pending;
    char buffer[4096];
    while (pid > 0 && stopSignal == 0) {
        const ssize_t got = read(progress[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        pending.append(buffer, std::size_t(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
            if (pending.compare(0, 6, "frame=") == 0) frames(std::strtoll(pending.c_str() + 6, nullptr, 10));
        }
    }
    close(progress[0]);
    if (pid > 0 && stopSignal != 0) kill(pid, SIGKILL);
    const int code = pid > 0 ? waitExit(pid) : -1;
    const std::string tail = lastLines(log, 8);
    if (!log.empty()) std::remove(log.c_str());
    if (code == 0 && stopSignal == 0) return true;
    error = pid > 0 ? tail : std::string("cannot start ffmpeg: ") + std::strerror(errno);
    return false;
}
