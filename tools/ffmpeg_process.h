#pragma once
// The `ffmpeg` program as a child process: one run that decodes the soundtrack into memory,
// and the encoder that takes frames on its standard input and sound on descriptor 3.
// Each child runs in its own process group, so a Ctrl-C in the terminal reaches only the
// renderer, which then stops the child itself.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Ctrl-C, a hang-up or a termination request are only noted, so that the capture stops
// between two frames; a write to the encoder in progress returns early. A write to an
// encoder that has ended fails instead of ending the process.
void catchStopSignals();
// The signal noted; 0 when none came.
int stopSignalCaught();

bool stderrIsTerminal();

// The full path of `name` found on PATH; empty when it is not there.
std::string findOnPath(const std::string& name);

// Decodes `path` to interleaved 16-bit stereo at 44100 Hz. False with a message (the last
// lines ffmpeg wrote) when the file is missing or cannot be decoded.
bool decodeSoundtrack(const std::string& ffmpeg, const std::string& path,
                      std::vector<std::int16_t>& samples, std::string& error);

struct EncoderProcess {
    pid_t pid = -1;
    int videoFd = -1;
    int audioFd = -1;
    std::string logPath;  // ffmpeg's standard error
};

// Starts `ffmpeg args...`. False with a message when it cannot be started.
bool startEncoder(const std::string& ffmpeg, const std::vector<std::string>& args,
                  EncoderProcess& encoder, std::string& error);

// Writes all of `bytes` to one of the encoder's inputs; false when the encoder has stopped
// reading (it ended or failed) or a stop signal came.
bool writeToEncoder(const EncoderProcess& encoder, int fd, const void* bytes, std::size_t length);

// Closes both inputs, so the encoder finishes the file, and waits for it; true when it ended
// with status 0.
bool finishEncoder(EncoderProcess& encoder);

// Ends the encoder at once and waits for it (on failure or interruption).
void stopEncoder(EncoderProcess& encoder);

// The last `lines` lines ffmpeg wrote to its standard error, then the log file is removed.
std::string encoderLogTail(EncoderProcess& encoder, int lines);

// Runs `ffmpeg args...` to its end, its standard output read as the key=value lines of
// `-progress pipe:1`: `frames` is told each frame count it reports. False with ffmpeg's last
// lines in `error` when it fails, or at once (the child stopped) when a stop signal comes.
bool runEncoderPass(const std::string& ffmpeg, const std::vector<std::string>& args,
                    const std::function<void(std::int64_t)>& frames, std::string& error);
