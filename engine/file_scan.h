#pragma once

#include <string>

#include "engine/line_replacer.h"
#include "engine/platform/text_file.h"
#include "engine/platform/file_services.h"
#include "engine/progress_sink.h"

namespace tavro {

// What the filter pass found in one file.
enum class ScanResult { notText, absent, found, unreadable, tooComplex };

// The filter pass over an open file: the text test on its first bytes (when
// `textTest`), then a search up to the first occurrence. `storage` is the
// line reader's buffer; `sink`, when given, hears when filtering starts. A
// line that would grow the buffer past `bufferLimit` (0: no limit) makes the
// file unreadable.
ScanResult ScanForSearchString(InputFile& file, LineReplacer& replacer, ReadBuffer& storage,
                               bool textTest, ProgressSink* sink, std::size_t bufferLimit = 0);

// Text unless the first 32 bytes hold a control character other than NUL,
// tab, LF or CR.
bool IsTextFile(std::string_view firstBytes);

}  // namespace tavro
