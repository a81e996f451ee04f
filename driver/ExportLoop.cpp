#include "driver/ExportLoop.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"

namespace {

constexpr char kPackageExtension[] = ".kzs";
constexpr char kSoundExtension[] = ".wav";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void EndLine(std::ostream& out) { out << '\n' << std::flush; }

class ExportLoop {
public:
    ExportLoop(const std::string& inPath, const std::string& outPath, std::ostream& out)
        : inPath_(inPath), outPath_(outPath), out_(out) {}

    void PackageLine(const std::string& line);
    void SoundLine(const std::string& line);
    // A line skipped unread: no sound or package has so long a name. A
    // package line among them leaves no package current, as one that cannot
    // be opened does: the sound lines after it are not looked up in the
    // package before.
    void TooLongLine(std::uint64_t number, bool packageLine) {
        out_ << "Could not read line " << number << " of the script: longer than " << kLongestScriptLine << " bytes";
        EndLine(out_);
        if (packageLine) package_.reset();
        allWritten_ = false;
    }
    bool AllWritten() const { return allWritten_; }

private:
    void Export(const std::string& line, const KZ_Export_Element& found);

    const std::string& inPath_;
    const std::string& outPath_;
    std::ostream& out_;
    // The package borrows the text of packagePath_: it is only changed while
    // no package exists.
    std::unique_ptr<KZ_Package> package_;
    std::string packagePath_;
    std::string message_;
    bool allWritten_ = true;
};

void ExportLoop::PackageLine(const std::string& line) {
    package_.reset();
    packagePath_ = inPath_ + line.substr(0, line.size() - 1) + kPackageExtension;
    // The package takes its path as C text, which would end at a NUL: the file
    // opened would not be the one named. No file name holds a NUL.
    if (packagePath_.find('\0') == std::string::npos) {
        try {
            package_ = std::make_unique<KZ_Package>(packagePath_.c_str());
        } catch (const std::bad_alloc&) {
            package_.reset();  // reported as a package that could not be opened
        }
    }
    EndLine(out_);
    // Its sounds are copied one after the other: the stream stays open.
    if (package_) package_->KeepFileOpen = true;
    if (package_ && !package_->GetPackageFile().fail()) {
        out_ << "Opened '" << packagePath_ << "'";
        EndLine(out_);
    } else {
        out_ << "Could not open '" << packagePath_ << "'";
        EndLine(out_);
        package_.reset();
        allWritten_ = false;
    }
}

void ExportLoop::SoundLine(const std::string& line) {
    if (!package_) {
        allWritten_ = false;
        return;
    }
    const KZ_Export_Element* found = package_->FindExport(line);
    // An export whose stored offset is -1 reads as no match, as the lookup
    // by offset has always reported it.
    if (!found || found->DataOffset == -1) {
        out_ << "Could not find '" << line << "' in package '" << packagePath_ << "'";
        EndLine(out_);
        allWritten_ = false;
        return;
    }
    Export(line, *found);
}

void ExportLoop::Export(const std::string& line, const KZ_Export_Element& found) {
    const std::string outputPath = outPath_ + line + kSoundExtension;
    // An export without stored data gives a sound without a header: an empty
    // file and "Could not read".
    KZ_Sound sound = LoadSound(*package_, found);
    // The line every sound prints, put together in a buffer kept from sound
    // to sound and handed over in one call: the same bytes as its pieces
    // followed by EndLine, at a fraction of the cost.
    message_.assign("Exporting ").append(outputPath).push_back('\n');
    out_.write(message_.data(), static_cast<std::streamsize>(message_.size()));
    out_.flush();

    KZ_SaveResult result;
    try {
        // The script names the file, not a pipe: a pipe standing at its name
        // is written into only when its reader waits, never waited for.
        result = sound.SaveWAVE(outputPath, Platform::IfExists::ReplaceWithoutWaiting);
    } catch (const std::bad_alloc&) {
        result = {};
    }
    allWritten_ = allWritten_ && result.ReadAll && result.WroteAll;
    if (!result.ReadAll) {
        out_ << "Could not read '" << line << "' in package '" << packagePath_ << "'";
        EndLine(out_);
    }
    if (!result.WroteAll) {
        out_ << "Could not write '" << outputPath << "'";
        EndLine(out_);
    }
}

}  // namespace

ScriptLine ReadScriptLine(std::istream& in, std::string& line) {
    line.clear();
    const std::istream::sentry ready(in, true);
    if (!ready) return ScriptLine::End;
    std::streambuf& bytes = *in.rdbuf();
    using Traits = std::char_traits<char>;
    // One byte more than the longest line is kept: it may be the CR of a CR
    // LF. Past that only the last two bytes are, for what the line ends in.
    bool any = false, endsWithLf = false;
    std::uint64_t length = 0;  // its bytes before the LF
    char last = 0, beforeLast = 0;
    for (Traits::int_type c = bytes.sbumpc(); !Traits::eq_int_type(c, Traits::eof()); c = bytes.sbumpc()) {
        any = true;
        if (c == '\n') {
            endsWithLf = true;
            break;
        }
        beforeLast = last;
        last = Traits::to_char_type(c);
        if (++length <= kLongestScriptLine + 1) line.push_back(last);
    }
    if (!endsWithLf) in.setstate(any ? std::ios::eofbit : std::ios::eofbit | std::ios::failbit);
    if (!any) return ScriptLine::End;
    const bool crLf = endsWithLf && last == '\r';
    if (length - (crLf ? 1 : 0) <= kLongestScriptLine) {
        if (crLf) line.pop_back();
        return ScriptLine::Read;
    }
    line.assign(1, crLf ? beforeLast : last);
    return ScriptLine::TooLong;
}

bool RunExportLoop(std::istream& script, const std::string& inPath, const std::string& outPath,
                   std::ostream& out) {
    ExportLoop loop(inPath, outPath, out);
    std::string line;
    std::uint64_t number = 0;
    for (ScriptLine read; (read = ReadScriptLine(script, line)) != ScriptLine::End;) {
        ++number;
        if (read == ScriptLine::TooLong) {
            loop.TooLongLine(number, line.back() == ';');
            continue;
        }
        // A script saved as UTF-8 "with BOM" begins with its byte order mark,
        // which is not part of the first line.
        if (number == 1 && line.starts_with(kByteOrderMark)) line.erase(0, kByteOrderMark.size());
        if (line.empty()) continue;
        if (line.back() == ';') {
            loop.PackageLine(line);
        } else {
            loop.SoundLine(line);
        }
    }
    return loop.AllWritten();
}
