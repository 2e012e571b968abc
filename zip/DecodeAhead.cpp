// The decoding thread and the hand-over of its steps.
#include "zip/DecodeAhead.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace vorn {

namespace {

// Output buffers in the pool, and the most steps queued at once.
constexpr size_t kPoolBuffers = 32;
constexpr size_t kMaxSteps = 96;
// The thread, once held up for room, goes on when this many buffers are
// free again: fewer wake-ups than one per buffer.
constexpr size_t kResumeFree = kPoolBuffers / 2;
// Steps queued from which the extraction counts as behind: a small entry
// takes five, so about two entries.
constexpr size_t kBehindSteps = 10;

}  // namespace

TZUDecodeAhead::TZUDecodeAhead(std::unique_ptr<TZUZipReader> archive, std::vector<TJob> jobs,
                               FolderTree::TAheadFiles* files, TMaking making)
    : archive_(std::move(archive)),
      jobs_(std::move(jobs)),
      maker_(files),
      making_(making),
      files_(maker_ ? jobs_.size() : 0),
      pool_(new uint8_t[kPoolBuffers * kZipBufferSize]) {
  for (size_t i = 0; i < kPoolBuffers; ++i) free_.push_back(pool_.get() + i * kZipBufferSize);
  thread_ = std::thread([this] { Run(); });
}

TZUDecodeAhead::~TZUDecodeAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  producer_.notify_one();
  thread_.join();
}

void TZUDecodeAhead::ReleaseTaken() {
  if (taken_) {
    free_.push_back(const_cast<uint8_t*>(taken_));
    taken_ = nullptr;
  }
}

void TZUDecodeAhead::DropPassedOver() {
  while (!steps_.empty() && steps_.front().Job < begun_) {
    if (steps_.front().Kind == TStepKind::Output) free_.push_back(const_cast<uint8_t*>(steps_.front().Data));
    steps_.pop_front();
  }
}

void TZUDecodeAhead::ClosePassedOver(size_t from) {
  for (size_t job = from; job < begun_ && job < decoding_ && job < files_.size(); ++job) files_[job].Close();
}

bool TZUDecodeAhead::TakeFile(WinFile& file) {
  std::lock_guard lock(mutex_);
  if (begun_ >= files_.size() || !files_[begun_].IsOpen()) return false;
  file = std::move(files_[begun_]);
  return true;
}

void TZUDecodeAhead::Begin(size_t index) {
  std::lock_guard lock(mutex_);
  ReleaseTaken();
  const size_t from = begun_;
  begun_ = index;
  DropPassedOver();
  ClosePassedOver(from);
  // The thread is woken only to give up a job passed over or when there is
  // room enough again, not at every entry: with thousands of small entries
  // a wake-up per entry costs more than their decoding.
  if (producerWaiting_ && (decoding_ < begun_ || (free_.size() >= kResumeFree && steps_.size() < kMaxSteps / 2))) {
    producer_.notify_one();
  }
}

TZUDecodeAhead::TStep TZUDecodeAhead::Next() {
  std::unique_lock lock(mutex_);
  ReleaseTaken();
  for (;;) {
    DropPassedOver();
    if (!steps_.empty()) break;
    if (producerWaiting_) producer_.notify_one();
    consumerWaiting_ = true;
    consumer_.wait(lock);
    consumerWaiting_ = false;
  }
  const TStep step = steps_.front();
  steps_.pop_front();
  if (step.Kind == TStepKind::Output) taken_ = step.Data;
  if (producerWaiting_ && free_.size() >= kResumeFree && steps_.size() < kMaxSteps / 2) producer_.notify_one();
  return step;
}

bool TZUDecodeAhead::Push(const TStep& step) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stop_ || step.Job < begun_) {
      if (step.Kind == TStepKind::Output) free_.push_back(const_cast<uint8_t*>(step.Data));
      return false;
    }
    if (steps_.size() < kMaxSteps) break;
    producerWaiting_ = true;
    producer_.wait(lock);
    producerWaiting_ = false;
  }
  steps_.push_back(step);
  if (consumerWaiting_) consumer_.notify_one();
  return true;
}

uint8_t* TZUDecodeAhead::TakeBuffer(size_t index) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stop_ || index < begun_) return nullptr;
    if (!free_.empty()) break;
    producerWaiting_ = true;
    producer_.wait(lock);
    producerWaiting_ = false;
  }
  uint8_t* buffer = free_.back();
  free_.pop_back();
  return buffer;
}

void TZUDecodeAhead::Run() {
  size_t done = jobs_.size();  // the job decoded last
  for (size_t index = 0; index < jobs_.size(); ++index) {
    {
      std::lock_guard lock(mutex_);
      // The file of a job done and passed over meanwhile is closed here.
      if (done < begun_ && done < files_.size()) files_[done].Close();
      if (stop_) return;
      index = std::max(index, begun_);  // jobs passed over are never decoded
      if (index >= jobs_.size()) return;
      decoding_ = index;
    }
    DecodeJob(index);
    done = index;
  }
}

bool TZUDecodeAhead::MakesFile(const TJob& job) {
  if (!maker_ || !job.MakeFile) return false;
  if (making_ == TMaking::Every) return true;
  std::lock_guard lock(mutex_);
  return steps_.size() >= kBehindSteps;
}

void TZUDecodeAhead::DecodeJob(size_t index) {
  const TJob& job = jobs_[index];
  TStep step;
  step.Job = index;
  // The job's file is this thread's until the job's last step is pushed.
  WinFile* file = nullptr;
  if (MakesFile(job)) {
    WinFile made;
    if (maker_->Make(made)) {
      std::lock_guard lock(mutex_);
      files_[index] = std::move(made);
      file = &files_[index];
    }
  }
  step.Kind = TStepKind::Opened;
  step.Made = file != nullptr;
  if (!Push(step)) return;
  step.Made = false;
  step.Kind = TStepKind::End;
  if (job.ComprSize == 0) {
    Push(step);  // nothing to read
    return;
  }

  // The local header, for where the data starts and how it is stored.
  uint8_t local[kLocalHeaderSize];
  const bool headerRead = job.LocalOffset <= static_cast<uint64_t>(INT64_MAX) &&
                          archive_->Seek(static_cast<int64_t>(job.LocalOffset)) &&
                          archive_->Read(local, sizeof local) == static_cast<int64_t>(sizeof local) &&
                          Get32(local) == kLocalHeaderSig;
  const uint16_t method = headerRead ? Get16(local + 8) : 0;
  const int64_t skip = headerRead ? static_cast<int64_t>(Get16(local + 26)) + Get16(local + 28) : 0;
  if (!headerRead || (method != 0 && method != 8) ||
      !archive_->Seek(static_cast<int64_t>(job.LocalOffset) + static_cast<int64_t>(sizeof local) + skip)) {
    step.Kind = TStepKind::Block;
    step.Got = -1;
    Push(step);
    return;
  }
  TZUCoDec& codec = method == 8 ? static_cast<TZUCoDec&>(inflate_) : store_;
  codec.Reset();

  uint32_t crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
  bool givenUp = false;
  const auto write = [&](const uint8_t* data, size_t size) {
    uint8_t* buffer = TakeBuffer(index);
    if (!buffer) {
      givenUp = true;
      return false;
    }
    std::memcpy(buffer, data, size);
    crc = static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
    TStep output;
    output.Kind = TStepKind::Output;
    output.Job = index;
    output.Data = buffer;
    output.Size = size;
    output.Crc = crc;
    if (file) {
      output.Written = true;
      try {
        file->Write(data, size);
      } catch (const FileError&) {
        output.WriteFailed = true;
      }
    }
    if (!Push(output)) givenUp = true;
    return !givenUp;
  };

  uint64_t remaining = job.ComprSize;
  while (remaining > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, input_.size()));
    step.Kind = TStepKind::Block;
    step.Got = archive_->Read(input_.data(), want);
    if (!Push(step) || step.Got <= 0) return;
    remaining -= static_cast<uint64_t>(step.Got);
    const int result = codec.Decode(input_.data(), static_cast<size_t>(step.Got), write);
    if (givenUp) return;
    step.Kind = TStepKind::Decoded;
    step.Result = result;
    if (!Push(step) || result != Z_OK) return;
  }
  step.Kind = TStepKind::End;
  Push(step);
}

}  // namespace vorn
