#include "archive/zip_deflate_pool.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "archive/zip_file.h"
#include "platform/file_system.h"

namespace korvel {

namespace {

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

int ZipThreadCount(int requested) {
    if (requested > 0)
        return requested;
    if (const char* env = std::getenv("KORVEL_ZIP_THREADS")) {
        const int n = std::atoi(env);
        if (n > 0)
            return n;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

TDeflatePool::TDeflatePool(int threads, int level, std::vector<std::string> plan)
    : level_(level), plan_(std::move(plan)), maxTasks_(8 * static_cast<std::size_t>(threads)),
      maxBytes_((2 * static_cast<std::uint64_t>(threads) + 2) * kDeflateBlockSize) {
    workers_.reserve(static_cast<std::size_t>(threads));
    for (int i = 0; i < threads; ++i)
        workers_.emplace_back([this] { Work(); });
    Refill();
}

TDeflatePool::~TDeflatePool() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    workReady_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

void TDeflatePool::Work() {
    TByteBuffer input;
    for (;;) {
        std::shared_ptr<TTask> task;
        TDeflatedBlock result;
        {
            std::unique_lock lock(mutex_);
            workReady_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_)
                return;
            task = std::move(queue_.front());
            queue_.pop_front();
            if (task->Dropped)
                continue;
            if (!spare_.empty()) {
                result.Data = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        bool failed = false;
        try {
            const TZipFile in = TZipFile::OpenRead(task->Path);
            ReadAheadAndDeflate(in, level_, task->Span, input, result);
        } catch (...) {
            // The writer makes the block itself and meets the fault there, if it lasts.
            failed = true;
        }
        {
            std::lock_guard lock(mutex_);
            task->Result = std::move(result);
            task->Failed = failed;
            task->Done = true;
        }
        blockDone_.notify_all();
    }
}

// Plans blocks ahead of the writer until the limits are reached. The files are
// looked at here, on the writer's thread, so that the plan follows its order.
void TDeflatePool::Refill() {
    std::vector<std::shared_ptr<TTask>> added;
    std::size_t tasks;
    std::uint64_t bytes;
    {
        std::lock_guard lock(mutex_);
        tasks = inFlight_.size();
        bytes = inFlightBytes_;
    }
    while (tasks < maxTasks_ && bytes < maxBytes_ && nextItem_ < plan_.size()) {
        const std::string& path = plan_[nextItem_];
        if (nextIndex_ == 0) {
            TFileInfo info;
            if (path.empty() || !GetFileInfo(path, info) || info.IsDirectory || info.IsSpecial) {
                ++nextItem_;
                continue;
            }
            planned_.push_back({nextItem_, info.Size, info.ModTime});
        }
        const std::uint64_t size = planned_.back().Size;
        auto task = std::make_shared<TTask>();
        task->Item = nextItem_;
        task->Index = nextIndex_;
        task->Path = path;
        task->Span = BlockOf(size, nextIndex_);
        ++tasks;
        bytes += task->Span.Length;
        added.push_back(std::move(task));
        if (++nextIndex_ >= BlockCount(size)) {
            ++nextItem_;
            nextIndex_ = 0;
        }
    }
    if (added.empty())
        return;
    {
        std::lock_guard lock(mutex_);
        for (auto& task : added) {
            inFlightBytes_ += task->Span.Length;
            inFlight_.push_back(task);
            queue_.push_back(std::move(task));
        }
    }
    workReady_.notify_all();
}

void TDeflatePool::DropThrough(std::size_t item) {
    {
        std::lock_guard lock(mutex_);
        while (!inFlight_.empty() && inFlight_.front()->Item <= item) {
            inFlight_.front()->Dropped = true;
            inFlightBytes_ -= inFlight_.front()->Span.Length;
            inFlight_.pop_front();
        }
    }
    while (!planned_.empty() && planned_.front().Item <= item)
        planned_.pop_front();
    if (nextItem_ <= item) {
        nextItem_ = item + 1;
        nextIndex_ = 0;
    }
}

bool TDeflatePool::Claim(std::size_t item, std::uint64_t size, const timespec& modTime) {
    if (item > 0)
        DropThrough(item - 1);
    Refill();
    const bool usable = !planned_.empty() && planned_.front().Item == item && planned_.front().Size == size &&
                        SameTime(planned_.front().ModTime, modTime);
    if (!usable)
        Release(item);
    return usable;
}

std::optional<TDeflatedBlock> TDeflatePool::Next(std::size_t item, std::uint64_t index,
                                                 const std::function<void()>& idle) {
    Refill();
    std::shared_ptr<TTask> task;
    {
        std::unique_lock lock(mutex_);
        if (inFlight_.empty() || inFlight_.front()->Item != item || inFlight_.front()->Index != index)
            return std::nullopt;
        task = inFlight_.front();
        while (!blockDone_.wait_for(lock, std::chrono::milliseconds(20), [&] { return task->Done; })) {
            lock.unlock();
            idle();
            lock.lock();
        }
        inFlight_.pop_front();
        inFlightBytes_ -= task->Span.Length;
    }
    Refill();
    if (task->Failed)
        return std::nullopt;
    return std::move(task->Result);
}

void TDeflatePool::Recycle(TByteBuffer&& buffer) {
    std::lock_guard lock(mutex_);
    if (spare_.size() < workers_.size())
        spare_.push_back(std::move(buffer));
}

void TDeflatePool::Release(std::size_t item) {
    DropThrough(item);
    Refill();
}

} // namespace korvel
