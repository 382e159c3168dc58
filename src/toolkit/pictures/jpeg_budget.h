// SPDX-License-Identifier: GPL-3.0-or-later
// The bounds of JPEG decoding and what a decode is charged for: whatever a file claims or holds, one
// decode stays within a bounded amount of processor time, and all decodes of the process together
// within one budget of memory. Used by the loader only; tests shrink the bounds to reach them with
// small files.
#pragma once

#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include <jpeglib.h>

#include <jerror.h>

namespace tk {

struct JpegBounds {
    std::uint64_t claimedPixels; // the picture a header claims
    std::size_t outputBytes;     // the decoded picture
    std::size_t memory;          // every decode of the process together: pictures and libjpeg's own
    std::uint64_t work;          // one decode, in units of about a nanosecond of processor time
    std::chrono::nanoseconds processorTime; // one decode, measured: the bound of files we never met
    std::uint64_t pastDataBlocks; // blocks decoded from the zeros that follow the end of the coded data
    int scans;
    int markers; // markers parsed (libjpeg's notes on them, a few per marker; warnings are work)
    std::int64_t fileBytes;
};

// The bounds every decode uses now.
JpegBounds CurrentJpegBounds();

// For tests: every decode started within its lifetime uses these bounds.
class ScopedJpegBounds {
public:
    explicit ScopedJpegBounds(const JpegBounds& bounds);
    ~ScopedJpegBounds();
    ScopedJpegBounds(const ScopedJpegBounds&) = delete;
    ScopedJpegBounds& operator=(const ScopedJpegBounds&) = delete;

private:
    JpegBounds saved_;
};

// The memory of every decode of the process: a decode reserves what it will need before it starts
// and waits while the others hold too much of it, so two large decodes take turns.
class DecodeMemory {
public:
    static DecodeMemory& Process();
    // Waits until `bytes` fit beside what the other decodes hold, and holds them; false at once when
    // they exceed the whole budget.
    bool Reserve(std::size_t bytes);
    void Release(std::size_t bytes);
    // For tests and benchmarks: what is held now, the most held at once, and how many decodes wait.
    std::size_t Held() const;
    std::size_t Peak() const;
    int Waiting() const;
    void ResetPeak();

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::size_t held_ = 0;
    std::size_t peak_ = 0;
    int waiting_ = 0;
};

// A decode's part of DecodeMemory, given back when it ends.
class MemoryReservation {
public:
    MemoryReservation() = default;
    ~MemoryReservation() { Drop(); }
    MemoryReservation(const MemoryReservation&) = delete;
    MemoryReservation& operator=(const MemoryReservation&) = delete;
    bool Take(std::size_t bytes);
    void Drop();

private:
    std::size_t bytes_ = 0;
};

// The source of one decode: a file or bytes in memory, handed to libjpeg a chunk at a time, so that a
// file is never held whole and every chunk is a point where the bounds are checked.
struct JpegSource {
    jpeg_source_mgr pub{}; // first, so libjpeg's pointer is also ours
    const JOCTET* memory = nullptr;
    int fd = -1;
    std::int64_t size = 0;              // of the file or the memory
    std::int64_t offset = 0;            // the next byte not yet handed over
    JOCTET* buffer = nullptr;           // one chunk of a file, allocated by the caller
    std::uint64_t delivered = 0;        // bytes handed over
    std::uint64_t skipped = 0;          // bytes libjpeg skipped (the segments it ignores)
    std::uint64_t skippedDelivered = 0; // of them, those that had been handed over
    bool exhausted = false;
};
constexpr std::size_t kJpegChunkBytes = std::size_t{64} << 10;

// What a decode has done so far, counted as libjpeg goes.
struct DecodeWork {
    jpeg_progress_mgr pub{}; // first, so libjpeg's pointer is also ours
    JpegBounds bounds{};
    JpegSource* source = nullptr;
    bool arithmetic = false;
    bool buffered = false;              // several scans, whose coefficients live in memory
    std::uint64_t pictureBlocks = 0;    // the blocks of the output pass
    std::chrono::nanoseconds started{}; // the thread's processor time when the decode began
    std::uint64_t finishedScans = 0;    // the work of the scans read to their end
    int scan = 0;
    std::uint64_t scanBlocks = 0;
    std::uint64_t band = 0;      // the coefficients of each block that the scan covers
    std::uint64_t blockCost = 0; // of a block of the scan
    int messages = 0;            // libjpeg's notes on the markers it parses
    std::uint64_t warnings = 0;  // libjpeg's warnings on corrupt data, and its recoveries from them
    std::uint64_t restarts = 0;  // restart markers read inside the scans
    // Decoding from the zeros after the end of the coded data: seen at the last check, and since.
    int lastMarker = 0;
    std::uint64_t lastRestarts = 0;
    std::uint64_t lastInput = 0;
    std::uint64_t pastDataBlocks = 0;
    std::uint64_t pastDataWork = 0;
    bool pastData = false;
    bool stop = false; // past the data and out of work: keep what is decoded
    bool paid = false; // reading the output pass, whose work was charged in advance
};

// Errors: libjpeg's error_exit longjmps back to the decode routine with the code.
struct JpegErrors {
    jpeg_error_mgr pub; // first, so libjpeg's pointer is also ours
    std::jmp_buf jump;
    int code;
    DecodeWork* work;
    char message[JMSG_LENGTH_MAX]; // libjpeg's own text; empty for our own limits
};

// The codes we report for our own limits, taken from libjpeg's list so that all codes mean one thing.
constexpr int kJpegTooLargeCode = JERR_IMAGE_TOO_BIG;
constexpr int kJpegTooManyScansCode = JERR_BAD_SCAN_SCRIPT;

[[noreturn]] void FailDecode(j_common_ptr cinfo, int code);

// Sets up errors, the work count and the source on a decompressor not yet created.
void InstallErrors(j_decompress_ptr cinfo, JpegErrors& errors, DecodeWork& work);
void InstallWork(j_decompress_ptr cinfo, DecodeWork& work, JpegSource& source);
void InstallMemorySource(j_decompress_ptr cinfo, JpegSource& source, const void* data, std::size_t size);
void InstallFileSource(j_decompress_ptr cinfo, JpegSource& source, int fd, std::int64_t size, JOCTET* buffer);

// The processor time of the calling thread.
std::chrono::nanoseconds ProcessorTime();

// Called once the header is read and the scale chosen: the costs of this file's coding and the blocks
// of its output pass.
void PrepareWork(j_decompress_ptr cinfo, DecodeWork& work);
// The work done so far; updates what is known about decoding past the data.
std::uint64_t ChargeWork(j_decompress_ptr cinfo, DecodeWork& work);
// Fails the decode beyond the bounds of work and scans, or asks it to stop where it is when it is
// decoding past the end of its data.
void CheckWork(j_decompress_ptr cinfo, DecodeWork& work);

// What libjpeg needs beside the output picture for this file at its chosen scale (its coefficients
// when it has several scans, and its rows).
std::size_t LibjpegMemory(j_decompress_ptr cinfo);

} // namespace tk
