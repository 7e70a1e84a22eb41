#include <string_view>

#include "engine/platform/text_file.h"
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
    if (!IsTextFile(name)) return;
    if (!ContainsSearchString(name)) return;
    if (sink != nullptr) sink->FileAccepted(name);
    SetStatus(kStatusSearching);
    RewriteFile(name);
}

bool SearchRun::IsTextFile(const std::string& name) {
    FileError error;
    std::unique_ptr<InputFile> file = files.OpenRead(name, error);
    if (!file) {
        logs.errorLog.CouldNotOpen(name);
        return false;
    }
    char bytes[kTextTestBytes];
    std::size_t have = 0;
    while (have < kTextTestBytes) {
        std::ptrdiff_t got = file->Read(bytes + have, kTextTestBytes - have);
        if (got < 0) {
            logs.errorLog.CouldNotOpen(name);
            return false;
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    for (std::size_t i = 0; i < have; ++i) {
        if (IsRejectedByte(static_cast<unsigned char>(bytes[i]))) return false;
    }
    return true;
}

// Reads up to the first line that holds the search string.
bool SearchRun::FindSearchString(const std::string& name) {
    FileError error;
    std::unique_ptr<InputFile> file = files.OpenRead(name, error);
    if (!file) {
        logs.errorLog.CouldNotOpen(name);
        return false;
    }
    LineReader reader(*file, lineStorage);
    std::string_view line;
    while (reader.ReadLine(line)) {
        if (replacer.LineMatches(line)) return true;
        if (replacer.TooComplex()) {
            logs.errorLog.RegexTooComplex(name);
            return false;
        }
    }
    if (reader.Failed()) logs.errorLog.CouldNotOpen(name);
    return false;
}

bool SearchRun::ContainsSearchString(const std::string& name) {
    SetStatus(state.stopped ? kStatusWritingAbortLog : kStatusFiltering);
    if (!FindSearchString(name)) return false;
    if (settings.makeBackups) {
        if (!MakeBackup(name)) return false;
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
        std::string_view line;
        bool tooComplex = false;
        while (reader.ReadLine(line)) {
            int count = replacer.ReplaceLine(line, outputLine);
            if (replacer.TooComplex()) {
                tooComplex = true;
                break;
            }
            state.replacementCount += count;
            writer.WriteLine(count > 0 ? std::string_view(outputLine) : line);
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
    bool restored = files.SetStatus(name, currentStatus);
    return replaced && restored;
}

}  // namespace tavro
