// The extraction's decoding, done ahead of it on a thread of its own: there
// the archive is read and inflated and the CRC-32 computed, in the very
// blocks the extraction reads, while the extraction's thread creates and
// writes the files and reports. The extraction takes the steps of an entry
// in the order its own loop would meet them, so what it reports is the same
// as if it decoded itself; entries it passes over are dropped unread.
//
// Given a maker of nameless files, the thread also writes each entry's
// output into a file of its own, made at the entry's start, so that the
// kernel's work of making and writing files overlaps the extraction's;
// such a file has no name, and the extraction names it, in order, only if
// it takes the entry's steps to the end; its Output steps tell whether the
// write went well. The extraction may write the output itself instead.
//
// The kernel's work of making files is the larger part of extracting many
// small ones; the thread may share it with the extraction: made while the
// extraction is behind (its steps queued), a file is left to the
// extraction to make whenever it has caught up, so that neither thread
// waits for the other while the other makes files.
//
// Only entries without encryption are decoded ahead (a password is asked
// for on the extraction's thread). Memory is bounded by a fixed pool of
// output buffers, open files by the steps queued.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FolderTree.h"
#include "platform/WinFile.h"
#include "zip/Decompressor.h"
#include "zip/ZipReader.h"

namespace vorn {

class TZUDecodeAhead {
 public:
  // One entry to decode: its local header's offset and its compressed size.
  struct TJob {
    uint64_t LocalOffset;
    uint64_t ComprSize;
    bool MakeFile = false;  // with a maker, the thread makes and writes its file
  };
  // One step of an entry's decoding.
  enum class TStepKind {
    Opened,   // the entry's start: Made tells whether its file was made
    Block,    // a block read: Got bytes (-1 a read error, 0 the archive's early end; either ends the entry)
    Output,   // one output buffer of the block: Data, Size, and the CRC-32 of the entry's output so far
    Decoded,  // the block decoded: Result is Z_OK or the zlib error that ends the entry
    End,      // the entry's compressed bytes are all read
  };
  struct TStep {
    TStepKind Kind = TStepKind::End;
    int64_t Got = 0;
    const uint8_t* Data = nullptr;
    size_t Size = 0;
    uint32_t Crc = 0;
    int Result = 0;
    size_t Job = 0;
    bool Made = false;         // Opened: the entry's file is made
    bool Written = false;      // Output: written into the entry's file...
    bool WriteFailed = false;  // ...or failed to be
  };

  // Which of the files asked for the thread makes.
  enum class TMaking {
    Every,        // all of them
    WhileBehind,  // those it meets while the extraction is behind; the others have Made false
  };
  // archive: opened for this decoding alone; it is read on the thread.
  // files: the maker of the entries' files, or none; it outlives this.
  TZUDecodeAhead(std::unique_ptr<TZUZipReader> archive, std::vector<TJob> jobs,
                 FolderTree::TAheadFiles* files = nullptr, TMaking making = TMaking::Every);
  ~TZUDecodeAhead();
  TZUDecodeAhead(const TZUDecodeAhead&) = delete;
  TZUDecodeAhead& operator=(const TZUDecodeAhead&) = delete;

  // Starts taking the steps of job index (jobs are taken in increasing
  // order); what is left of earlier jobs is dropped.
  void Begin(size_t index);
  // The next step of the job begun last; an Output's data stays valid until
  // the next call of Next or Begin.
  TStep Next();
  // The file of the job begun, once a step that ends it has been taken
  // (End, or a Block of no bytes); false when it has none.
  bool TakeFile(WinFile& file);

 private:
  void Run();
  void DecodeJob(size_t index);
  // The thread's side: false when the job was given up meanwhile.
  bool Push(const TStep& step);
  uint8_t* TakeBuffer(size_t index);
  void ReleaseTaken();
  // Drops the queued steps of jobs before the one begun (the lock held).
  void DropPassedOver();

  std::unique_ptr<TZUZipReader> archive_;
  std::vector<TJob> jobs_;
  FolderTree::TAheadFiles* maker_;
  TMaking making_;
  // Whether to make the file of a job starting now.
  bool MakesFile(const TJob& job);
  // Each job's file: the thread's while it decodes the job, then the
  // extraction's to take; closed when the job is passed over.
  std::vector<WinFile> files_;
  // Closes the files of jobs before the one begun that the thread is done
  // with (the lock held).
  void ClosePassedOver(size_t from);
  std::vector<uint8_t> input_ = std::vector<uint8_t>(kZipBufferSize);
  TZUCoDecStore store_;
  TZUCoDecInflate inflate_;
  std::unique_ptr<uint8_t[]> pool_;

  std::mutex mutex_;
  std::condition_variable producer_;  // the thread waits for room
  std::condition_variable consumer_;  // the extraction waits for a step
  std::deque<TStep> steps_;
  std::vector<uint8_t*> free_;
  size_t begun_ = 0;        // the job the extraction takes
  size_t decoding_ = 0;     // the job the thread decodes
  bool producerWaiting_ = false;
  bool consumerWaiting_ = false;
  const uint8_t* taken_ = nullptr;  // the buffer of the Output handed out last
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace vorn
