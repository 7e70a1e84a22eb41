#include <string_view>
#include <utility>

#include "engine/file_scan.h"
#include "engine/platform/text_file.h"
#include "engine/scan_ahead.h"
#include "engine/search_run.h"

namespace tavro {
namespace {

constexpr std::size_t kTextTestBytes = 32;

// Control characters other than NUL, tab, LF and CR mark a file as not text.
bool IsRejectedByte(unsigned char byte) {
    if (byte == 0x7F) return true;
    if (byte >= 0x20 || byte == 0x00) return false;
    return byte != '\t' && byte != '\n' && byte != '\r';
}

}  // namespace

void SearchRun::SetStatus(std::string_view text) {
    if (sink != nullptr) sink->SetStatus(text);
}

void SearchRun::ProcessFile(const std::string& name) {
    state.replacementCount = 0;
    if (sink != nullptr && sink->PollStop()) state.stopped = true;
    replacer.Prepare(settings);
    if (state.stopped) {
        // Stop mode: only list what would still have been changed.
        if (ContainsSearchString(name) && logs.abortLog != nullptr) logs.abortLog->FoundLine(name);
        return;
    }
    if (!ContainsSearchString(name)) return;
    if (sink != nullptr) sink->FileAccepted(name);
    SetStatus(kStatusSearching);
    RewriteFile(name);
    if (scanAhead) scanAhead->FileRewritten(currentStatus);
}

bool IsTextFile(std::string_view firstBytes) {
    firstBytes = firstBytes.substr(0, kTextTestBytes);
    for (char byte : firstBytes) {
        if (IsRejectedByte(static_cast<unsigned char>(byte))) return false;
    }
    return true;
}

// Plain search strings are looked for in whole blocks; a pattern needs the
// file's lines.
ScanResult ScanForSearchString(InputFile& file, LineReplacer& replacer, ReadBuffer& storage,
                               bool textTest, ProgressSink* sink, std::size_t bufferLimit) {
    LineReader reader(file, storage, bufferLimit);
    if (textTest) {
        while (reader.Buffered().size() < kTextTestBytes && reader.ReadMore()) {
        }
        if (reader.Failed()) return ScanResult::unreadable;
        if (!IsTextFile(reader.Buffered())) return ScanResult::notText;
        if (sink != nullptr) sink->SetStatus(kStatusFiltering);
    }
    if (replacer.CanSearchBlocks()) {
        // Keep the bytes an occurrence may share with the next block.
        std::size_t overlap = replacer.SearchLength() - 1;
        do {
            std::string_view block = reader.Buffered();
            if (replacer.BlockMatches(block)) return ScanResult::found;
            if (block.size() > overlap) reader.Consume(block.size() - overlap);
        } while (reader.ReadMore());
    } else {
        std::string_view line;
        while (reader.ReadLine(line)) {
            if (replacer.LineMatches(line)) return ScanResult::found;
            if (replacer.TooComplex()) return ScanResult::tooComplex;
        }
    }
    return reader.Failed() ? ScanResult::unreadable : ScanResult::absent;
}

// The filter pass of the file the walk is at: taken from the scan-ahead
// thread when it has a result that is still good, done here otherwise.
bool SearchRun::ScanFile(const std::string& name) {
    ScanResult result = ScanResult::unreadable;
    std::optional<ScanResult> ahead = std::exchange(prescanned, std::nullopt);
    if (ahead && !state.stopped) {
        result = *ahead;
        if (result != ScanResult::notText) SetStatus(kStatusFiltering);
    } else {
        FileError error;
        std::unique_ptr<InputFile> file = files.OpenRead(name, error);
        if (file) result = ScanForSearchString(*file, replacer, lineStorage, !state.stopped, sink);
    }
    if (result == ScanResult::unreadable) logs.errorLog.CouldNotOpen(name);
    if (result == ScanResult::tooComplex) logs.errorLog.RegexTooComplex(name);
    return result == ScanResult::found;
}

bool SearchRun::ContainsSearchString(const std::string& name) {
    if (state.stopped) SetStatus(kStatusWritingAbortLog);
    if (!ScanFile(name)) return false;
    if (settings.makeBackups) {
        bool backedUp = MakeBackup(name);
        if (scanAhead) scanAhead->FilesChanged();
        if (!backedUp) return false;
    } else if (settings.writeRunLog && !state.stopped) {
        logs.runLog.LinePrefix(name);
    }
    ++state.filesModified;
    return true;
}

void SearchRun::RewriteFile(const std::string& name) {
    bool rewritten = false;
    FileError error;
    std::unique_ptr<InputFile> input = files.OpenRead(name, error);
    // Another run writing in this directory holds the temporary file: this
    // file is then treated like one whose temporary file cannot be opened.
    std::unique_ptr<ReplacementFile> output =
        input ? files.CreateReplacement(std::string(kTemporaryName), error) : nullptr;
    if (!input || !output) {
        logs.errorLog.CouldNotOpen(name);
    } else {
        LineReader reader(*input, lineStorage);
        LineWriter writer(*output);
        bool tooComplex = false;
        if (replacer.CanSearchBlocks()) {
            state.replacementCount = replacer.ReplaceStream(reader, writer);
        } else {
            std::string_view line;
            while (reader.ReadLine(line)) {
                int count = replacer.ReplaceLine(line, writer);
                if (replacer.TooComplex()) {
                    tooComplex = true;
                    break;
                }
                state.replacementCount += count;
            }
        }
        input.reset();
        if (tooComplex) {
            // Left exactly as it was, and neither counted nor given a log line.
            output->Discard();
            logs.errorLog.RegexTooComplex(name);
            logs.runLog.DropLine();
            --state.filesModified;
            state.replacementCount = 0;
            return;
        }
        if (reader.Failed()) {
            logs.errorLog.CouldNotOpen(name);
        } else if (!writer.Flush()) {
            logs.errorLog.CouldNotWrite(name);
        } else if (!PutInPlace(name, *output)) {
            logs.errorLog.CouldNotReplace(name);
        } else {
            rewritten = true;
        }
        if (!rewritten) output->Discard();
    }
    // A failure is never reported as replacements made.
    if (!rewritten) state.replacementCount = 0;
    if (settings.writeRunLog) {
        logs.runLog.LineSuffix(settings.searchString, settings.replaceString,
                               state.replacementCount);
    }
}

// Puts the new contents in place of the input. A read-only input has its
// attribute lifted for that and its status, times included, restored.
bool SearchRun::PutInPlace(const std::string& name, ReplacementFile& output) {
    FileError error;
    if (!(settings.processReadOnlyFiles && currentStatus.IsReadOnly())) {
        return output.ReplaceInto(name, error);
    }
    FileStatus writable = currentStatus;
    writable.attributeByte = 0;
    writable.accessTime = writable.modificationTime = writable.creationTime = 0;
    if (!files.SetStatus(name, writable)) return false;
    bool replaced = output.ReplaceInto(name, error);
    files.SetStatus(name, currentStatus);
    return replaced;
}

}  // namespace tavro
