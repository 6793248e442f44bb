#pragma once
// Worker threads that deflate ahead of the archive writer: the writer hands over
// the list of files in the order it will zip them, and takes the deflated blocks
// back in that order. Only block and file counts bound what is in flight, never
// the size of the input. Used by the writer's thread only; the threads stay here.

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/zip_deflate_block.h"

namespace korvel {

// Threads the writer uses: `requested` when positive, else KORVEL_ZIP_THREADS when
// set, else one per core; 1 when the core count cannot be read.
int ZipThreadCount(int requested);

class TDeflatePool {
public:
    // `plan`: the paths in the order the writer reaches them, empty for the entries
    // that are not deflated (directories, stored files).
    TDeflatePool(int threads, int level, std::vector<std::string> plan);
    ~TDeflatePool();
    TDeflatePool(const TDeflatePool&) = delete;
    TDeflatePool& operator=(const TDeflatePool&) = delete;

    // The writer reached plan item `item` and sees the file at `size` and `modTime`:
    // true when the blocks deflated ahead are of that very file. Items before it are
    // dropped.
    bool Claim(std::size_t item, std::uint64_t size, const timespec& modTime);
    // Block `index` of the claimed item, waiting for it with `idle` called every few
    // milliseconds; nothing when a worker could not make it (the writer then makes it).
    std::optional<TDeflatedBlock> Next(std::size_t item, std::uint64_t index,
                                       const std::function<void()>& idle);
    // The writer is done with `item`: what remains of it is dropped.
    void Release(std::size_t item);
    // The writer has written a block's bytes: its buffer, room and all, serves a later block.
    void Recycle(TByteBuffer&& buffer);

private:
    struct TTask {
        std::size_t Item = 0;
        std::uint64_t Index = 0;
        std::string Path;
        TBlockSpan Span;
        bool Done = false;
        bool Failed = false;
        bool Dropped = false;
        TDeflatedBlock Result;
    };
    struct TPlanned {
        std::size_t Item = 0;
        std::uint64_t Size = 0;
        timespec ModTime{};
    };

    void Work();
    void Refill();
    void DropThrough(std::size_t item);

    const int level_;
    const std::vector<std::string> plan_;
    const std::size_t maxTasks_;
    const std::uint64_t maxBytes_;

    // Planner state, the writer's thread only.
    std::size_t nextItem_ = 0;
    std::uint64_t nextIndex_ = 0;
    std::deque<TPlanned> planned_;

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable blockDone_;
    std::deque<std::shared_ptr<TTask>> queue_;    // for the workers, oldest first
    std::deque<std::shared_ptr<TTask>> inFlight_; // for the writer, in its order
    std::uint64_t inFlightBytes_ = 0;
    std::vector<TByteBuffer> spare_; // written blocks' buffers, at most one per worker
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

} // namespace korvel
