#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/file_scan.h"
#include "engine/line_replacer.h"
#include "engine/platform/file_services.h"
#include "engine/run_settings.h"

namespace tavro {

// Runs the filter pass over the files of the directory being walked on a
// second thread, a few files ahead of the walk, so that reading the next
// files overlaps the work on the current one. The walk still takes every
// result in its own order and writes every log line itself; a result it
// cannot trust (the thread failed to read the file, or the walk has written
// to some file since the thread began reading) is simply not used, and the
// walk scans that file again itself.
//
// Only for runs whose settings stay fixed from start to end.
class ScanAhead {
public:
    // `walkStorage` is the buffer the walk reads files with.
    ScanAhead(FileServices& files, const RunSettings& settings, ReadBuffer& walkStorage);
    ~ScanAhead();
    ScanAhead(const ScanAhead&) = delete;
    ScanAhead& operator=(const ScanAhead&) = delete;

    // A new directory listing, in the walk's order, with the directory's
    // absolute path; the last listing is dropped.
    void Start(const std::string& directory, const std::vector<std::string>& names);
    // The result for entry `index` of the listing, with the file's status as
    // it was opened, or nothing when the walk must look at the file itself.
    // The entry is scanned now if it has not been yet. Indexes only grow.
    std::optional<ScanResult> Take(std::size_t index, FileStatus& status);
    // The walk wrote new contents to the file `status` identifies: results
    // for that file (under any name) from scans begun before may not hold.
    void FileRewritten(const FileStatus& status);
    // The walk wrote to a file it cannot name (a backup may be written over
    // an older one): no result of a scan begun before is to be trusted.
    void FilesChanged() { olderUntrusted = ++generation; }

private:
    enum State : int { pending, claimed, done };
    struct Entry {
        std::string name;
        std::atomic<int> state{pending};
        ScanResult result = ScanResult::unreadable;
        FileStatus status;
        std::uint64_t generation = 0;
    };
    struct Listing {
        std::unique_ptr<DirectoryHandle> directory;
        std::unique_ptr<Entry[]> entries;
        std::size_t size = 0;
        std::atomic<std::size_t> taken{0};  // entries the walk has reached
    };

    // What one thread needs to scan files. The walk reads into the buffer it
    // rewrites from, so a long line is held once; the thread gives up on a
    // line longer than `bufferLimit` and leaves that file to the walk.
    struct Context {
        LineReplacer replacer;
        ReadBuffer& storage;
        std::size_t bufferLimit;
    };

    void Run();
    void Scan(DirectoryHandle& directory, Entry& entry, Context& context);

    FileServices& files;
    const RunSettings settings;
    ReadBuffer threadStorage;
    Context threadContext;
    Context walkContext;
    // Counts the walk's writes; a scan notes it before it opens its file.
    std::atomic<std::uint64_t> generation{0};
    struct Write {
        std::uint64_t generation;
        std::uint64_t device;
        std::uint64_t fileNumber;
    };
    std::deque<Write> writes;  // the latest rewrites, newest last; the walk's alone
    std::uint64_t olderUntrusted = 0;  // scans that noted less than this are not trusted

    bool StillHolds(const Entry& entry) const;

    std::mutex mutex;
    std::condition_variable wake;
    std::shared_ptr<Listing> listing;  // the thread's, guarded by `mutex`
    std::shared_ptr<Listing> walking;  // the walk's own
    std::atomic<std::size_t> wakeAt{0};
    std::atomic<std::uint64_t> listingsStarted{0};
    std::mutex doneMutex;  // the walk waits on `entryDone` for an entry the thread is reading
    std::condition_variable entryDone;  // the walk wakes the thread on reaching this entry
    bool stopping = false;
    std::thread thread;
};

}  // namespace tavro
