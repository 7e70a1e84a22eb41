#pragma once

#include <string_view>

namespace tavro {

// How a front end watches and steers a run. Called on the engine's thread.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual bool PollStop() = 0;  // true from a stop request to the run's end
    virtual void SetStatus(std::string_view text) = 0;
    virtual void FileAccepted(std::string_view name) = 0;
};

// The status texts the engine shows.
inline constexpr std::string_view kStatusFiltering = " Status :  Preliminary File Filtering";
inline constexpr std::string_view kStatusWritingAbortLog =
    " Status :  Writing Abort Log - Please Wait . . .";
inline constexpr std::string_view kStatusBackingUp = " Status :  Backing Up";
inline constexpr std::string_view kStatusSearching = " Status :  Searching";

}  // namespace tavro
