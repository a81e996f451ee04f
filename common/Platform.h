// common/: what every subsystem shares and nothing owns -- the host layer
// (Platform) and the little-endian field helpers (LittleEndian).
//
// Platform: the one place that knows which system the program runs on.
// The program speaks in Windows conventions: paths are built with '\' and
// shown that way in every message, and the export script is read as text,
// where a CR directly before an LF is not part of a line. This layer turns
// those conventions into what the host understands.
#pragma once

#include <fstream>
#include <istream>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace Platform {

// The path text as the program builds and shows it -> the text the host's
// file system takes. On POSIX every '\' becomes '/'; on Windows it is used as
// written.
std::string HostPath(const std::string& path);

// Opens `path` for binary input on `stream`. A folder counts as a file that
// cannot be opened (as on Windows), and so does a path holding a NUL byte,
// which no file name can hold. Flags already set on the stream stay set,
// also when the open succeeds; a failed open adds failbit.
void OpenInput(std::ifstream& stream, const std::string& path);

// Opens `path` for binary output, creating or truncating it. A failed open
// leaves the stream failed. For outputs a user keeps, use OutputFile.
void OpenOutput(std::ofstream& stream, const std::string& path);

// An output file that appears whole or not at all.
//
// The bytes go to a temporary file of our own in the target's folder;
// Commit() renames it over the target once everything is written. On Linux a
// target whose name is still free is written as a file without a name in
// that folder, and Commit() links it in under the target name: it cannot be
// seen before, and the system removes it when the program dies first. So the
// target name holds either what it held before or the complete new file,
// never a part: not after a failed write (a full disk), not after an
// interrupt (SIGINT, SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break and closing the
// console on Windows), which removes the temporary files still open before
// the program ends. A link standing at the target name is replaced by the
// file, never written through; an existing target that may not be replaced
// (a folder, a read-only file) makes the output fail. An existing device or
// pipe at the target (such as /dev/null) cannot be renamed over and is
// written directly, as before.
//
//   Platform::OutputFile file(path);
//   if (!file.IsOpen()) ...;         // nothing was created
//   wave.SaveData(file.Stream());
//   if (!file.Commit()) ...;         // the target is as it was
//
// Without a successful Commit the destructor removes the temporary file.
// Any number may be open at once; the first 16 are removed on an interrupt.
// Whether an output may take the place of a file that already stands at its
// name.
enum class IfExists { Replace, Keep };

class OutputFile {
public:
    // With IfExists::Keep an output never replaces anything: it does not open
    // when its name is taken, and its Commit fails when something took the
    // name while it was written.
    explicit OutputFile(const std::string& path, IfExists ifExists = IfExists::Replace);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when the output cannot be made: a path holding a NUL byte, a
    // folder that does not exist or may not be written, a target that is a
    // folder or a read-only file.
    bool IsOpen() const { return file_.IsOpen(); }
    // Where the bytes go (binary mode). Writing to an output that is not open
    // fails as on any failed stream.
    std::ostream& Stream() { return stream_; }
    // Closes the stream and, when every write succeeded, puts the file in
    // place under the target name. Returns whether the target now holds the
    // complete file; after false, nothing of it is left anywhere.
    bool Commit();

private:
    // Writes through one file descriptor of the host: the file is created and
    // opened in one call, which an output stream of the standard library
    // cannot do without the creation also truncating whatever stood there.
    class FileWriter : public std::streambuf {
    public:
        FileWriter();
        ~FileWriter() override;
        bool IsOpen() const { return fd_ >= 0; }
        // Creates `path`, which must not exist yet; or, with `existing`,
        // opens it for writing and truncates it.
        bool Open(const std::string& path, bool existing);
        // Writes to `fd`, when it is one (not negative), from now on.
        bool Adopt(int fd);
        // Writes out what is buffered; false when any write failed.
        bool Flush();
        int Fd() const { return fd_; }
        // Writes what is buffered (with `keep`; else drops it) and closes;
        // false when any write failed.
        bool Close(bool keep);

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize count) override;
        int sync() override;

    private:
        bool WriteOut(const char* bytes, std::size_t count);
        void MakeBuffer();
        int fd_ = -1;
        bool failed_ = false;
        std::unique_ptr<char[]> buffer_;
    };

    void Discard();
    std::string TemporaryName() const;
    bool LinkAnonymous();

    std::string target_;     // host path of the target
    std::string temporary_;  // host path of the file being written; empty when none
    bool direct_ = false;    // writing straight to a device or pipe
    bool anonymous_ = false; // writing a file without a name yet (Linux)
    bool keep_ = false;      // IfExists::Keep
    bool PutInPlace(const std::string& from);
    int slot_ = -1;          // interrupt-cleanup slot, or -1
    FileWriter file_;
    std::ostream stream_{&file_};
};

// Reads one line of a script opened with OpenInput. The line ends at an LF,
// which is not part of it; a CR directly before that LF is not part of it
// either, as in Windows text mode. Any other CR, including one that ends a
// last line without an LF, stays. Returns false when no line could be read.
bool ReadScriptLine(std::istream& in, std::string& line);

// The arguments after the program's name as a program that takes many file
// names wants them. On Windows, whose console leaves wildcards to the
// program, an argument holding '*' or '?' (and not starting with '/' or '-',
// an option) becomes the names it matches, in order, with its folder part
// kept; one that matches nothing stays as written. Elsewhere the shell has
// done this already, and the arguments come back as they are.
std::vector<std::string> ExpandWildcards(int argc, const char* const* argv);

// For a batch tool whose output may be piped into a program that stops
// reading early (a pager, head): writing to the closed pipe then fails like
// any other write to a bad stream instead of ending the program. Nothing to
// do on Windows, where no signal is raised.
void IgnoreBrokenPipe();

enum class Stream { Output, Error };

// Whether standard output or standard error is a terminal (a console on
// Windows) that a person reads, rather than a file or a pipe.
bool IsTerminal(Stream stream);

// Puts the standard streams in the state the programs need: on Windows no
// LF -> CR LF translation on output, so the bytes are the same on every
// system, and standard input read as bytes (Snd_Info reads WAVE files there).
void PrepareConsole();

}  // namespace Platform
