#include "engine/scan_ahead.h"

#include <algorithm>
#include <limits>
#include <new>

namespace tavro {
namespace {

// How far the thread may run ahead of the walk: far enough to stay busy
// while the walk rewrites a file, near enough that little is thrown away when
// a write makes its results stale.
constexpr std::size_t kLookahead = 32;
constexpr std::size_t kNever = std::numeric_limits<std::size_t>::max();
constexpr int kSpinTurns = 64;
// The thread's buffer stays small; a file with a longer line (only a pattern
// search reads whole lines) is read by the walk alone.
constexpr std::size_t kThreadBufferLimit = std::size_t{4} << 20;

}  // namespace

ScanAhead::ScanAhead(FileServices& files, const RunSettings& settings, ReadBuffer& walkStorage)
    : files(files), settings(settings), threadContext{{}, threadStorage, kThreadBufferLimit},
      walkContext{{}, walkStorage, 0} {
    threadContext.replacer.Prepare(settings);
    walkContext.replacer.Prepare(settings);
    thread = std::thread([this] { Run(); });
}

ScanAhead::~ScanAhead() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_one();
    thread.join();
}

void ScanAhead::Start(const std::string& directory, const std::vector<std::string>& names) {
    auto next = std::make_shared<Listing>();
    next->directory = files.OpenDirectory(directory);
    if (next->directory) {
        next->entries = std::make_unique<Entry[]>(names.size());
        next->size = names.size();
        for (std::size_t i = 0; i < names.size(); ++i) next->entries[i].name = names[i];
    }
    {
        std::lock_guard lock(mutex);
        listing = next;
        walking = std::move(next);
    }
    listingsStarted.fetch_add(1);
    wake.notify_one();
}

std::optional<ScanResult> ScanAhead::Take(std::size_t index, FileStatus& status) {
    if (!walking || index >= walking->size) return std::nullopt;
    Listing& current = *walking;
    current.taken.store(index + 1);
    if (index + 1 >= wakeAt.load()) {
        std::lock_guard lock(mutex);
        wake.notify_one();
    }
    Entry& entry = current.entries[index];
    int expected = pending;
    if (entry.state.compare_exchange_strong(expected, claimed)) {
        // Not begun yet: read now, the held directory saving a status query.
        Scan(*current.directory, entry, walkContext);
        entry.state.store(done, std::memory_order_release);
    }
    // The thread is reading this file: scan a later one meanwhile rather than
    // wait, so both threads keep reading.
    for (std::size_t later = index + 1; entry.state.load(std::memory_order_acquire) != done &&
                                        later < std::min(current.size, index + kLookahead);
         ++later) {
        Entry& other = current.entries[later];
        expected = pending;
        if (!other.state.compare_exchange_strong(expected, claimed)) continue;
        Scan(*current.directory, other, walkContext);
        other.state.store(done, std::memory_order_release);
    }
    if (entry.state.load(std::memory_order_acquire) != done) {
        // A plain condition variable: the atomic wait of some standard
        // libraries (MinGW's GCC 12 among them) can miss a wake-up.
        std::unique_lock lock(doneMutex);
        entryDone.wait(lock, [&] { return entry.state.load(std::memory_order_acquire) == done; });
    }
    if (!StillHolds(entry)) return std::nullopt;
    if (entry.result == ScanResult::unreadable || entry.result == ScanResult::tooComplex) {
        return std::nullopt;  // the walk reports these itself, after trying again
    }
    status = entry.status;
    return entry.result;
}

void ScanAhead::FileRewritten(const FileStatus& status) {
    writes.push_back({++generation, status.device, status.fileNumber});
    if (writes.size() > kLookahead) {
        olderUntrusted = std::max(olderUntrusted, writes.front().generation + 1);
        writes.pop_front();
    }
}

// A rewrite changes the contents of one file: a scan of another file (another
// identity) is not touched by it, though a link to the same file is.
bool ScanAhead::StillHolds(const Entry& entry) const {
    if (entry.generation < olderUntrusted) return false;
    for (auto write = writes.rbegin(); write != writes.rend() && write->generation > entry.generation; ++write) {
        if (write->device == entry.status.device && write->fileNumber == entry.status.fileNumber) {
            return false;
        }
    }
    return true;
}

void ScanAhead::Run() {
    std::shared_ptr<Listing> mine;
    std::size_t next = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex);
            bool spun = false;
            for (;;) {
                if (stopping) return;
                if (listing != mine) {
                    mine = listing;
                    next = 0;
                }
                if (mine && next < mine->size) {
                    // Asking to be woken before looking at how far the walk
                    // is: of the two, one always sees the other's news.
                    wakeAt.store(next >= kLookahead / 2 ? next - kLookahead / 2 : 0);
                    if (next < mine->taken.load() + kLookahead) break;
                } else if (!spun) {
                    // The walk is moving to the next directory, which takes it
                    // a moment: waiting that out awake is cheaper than being
                    // put to sleep and woken.
                    spun = true;
                    std::uint64_t seen = listingsStarted.load();
                    lock.unlock();
                    for (int turn = 0; turn < kSpinTurns && listingsStarted.load() == seen; ++turn) {
                        std::this_thread::yield();
                    }
                    lock.lock();
                    continue;
                }
                wake.wait(lock);
            }
            wakeAt.store(kNever);
        }
        Entry& entry = mine->entries[next++];
        int expected = pending;
        if (!entry.state.compare_exchange_strong(expected, claimed)) continue;
        Scan(*mine->directory, entry, threadContext);
        entry.state.store(done, std::memory_order_release);
        { std::lock_guard lock(doneMutex); }  // the walk is waiting, or sees `done` first
        entryDone.notify_one();
    }
}

// A read-only file the walk will pass over is opened but never read, so its
// access time stays as the walk alone would leave it.
void ScanAhead::Scan(DirectoryHandle& directory, Entry& entry, Context& context) {
    entry.generation = generation.load();
    entry.result = ScanResult::unreadable;
    try {
        std::unique_ptr<InputFile> file = directory.OpenPlainFile(entry.name, entry.status);
        if (file && entry.status.IsReadOnly() && !settings.processReadOnlyFiles) return;
        if (file) {
            entry.result = ScanForSearchString(*file, context.replacer, context.storage, true, nullptr,
                                               context.bufferLimit);
        }
    } catch (const std::bad_alloc&) {
        // A line too long for memory: the walk meets it itself and reports it.
        entry.result = ScanResult::unreadable;
    }
}

}  // namespace tavro
