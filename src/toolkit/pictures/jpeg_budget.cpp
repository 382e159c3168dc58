// SPDX-License-Identifier: GPL-3.0-or-later
// The decode's bounds and charges. libjpeg calls our progress monitor for every row of blocks it
// reads and every row it writes, our source for every chunk of data, and our message hook for every
// marker it parses, so no file gets far past a bound before it is checked.
#include "toolkit/pictures/jpeg_budget.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <unistd.h>

namespace tk {

namespace {

// A header is a few bytes, and what it claims decides the cost: a 200-byte file can claim 65500 x
// 65500 pixels, and a small one can ask for hundreds of passes over a large picture. Each bound holds
// whatever the scale of the decode.
#ifdef PLAMKOV_FUZZ_BOUNDS
// The fuzz build decodes within a much smaller budget (a quarter of a millisecond: pictures up to
// 512 x 512, which still take every scale down to a card), so that a run reaches millions of
// inputs; the logic of every bound is the same.
constexpr JpegBounds kDefaultBounds{.claimedPixels = std::uint64_t{1} << 18,
                                    .outputBytes = std::size_t{1} << 18,
                                    .memory = std::size_t{3} << 20,
                                    .work = 250'000,
                                    .processorTime = std::chrono::milliseconds(50),
                                    .pastDataBlocks = 1024,
                                    .scans = 100,
                                    .markers = 500,
                                    .fileBytes = std::int64_t{1} << 20};
#else
constexpr JpegBounds kDefaultBounds{
    // 134 megapixels, beyond the largest camera photos.
    .claimedPixels = std::uint64_t{1} << 27,
    .outputBytes = std::size_t{64} << 20,
    // Every decode of the process together. The memory game holds about 27 MB besides, so the process
    // stays under 150 MB; a 19-megapixel progressive photo without chroma subsampling needs 113 MB.
    .memory = std::size_t{116} << 20,
    // About 0.8 s of processor time on our two-core machine, busy: a 12-megapixel arithmetic-coded
    // photo of 3 MB takes 0.5 s, a Huffman-coded one a tenth of that.
    .work = 800'000'000,
    .processorTime = std::chrono::milliseconds(800),
    // What a flat end of a picture may take in arithmetic coding (its last decisions cost no bits,
    // so an encoder leaves them out); 0.2 s at the dearest.
    .pastDataBlocks = 32'768,
    // Each scan of a progressive file passes over the whole picture; thousands of tiny scans would
    // take minutes.
    .scans = 100,
    // A camera photo has a few dozen; a colour profile split into its largest number of parts 255.
    .markers = 10'000,
    // No picture the program shows comes near this; larger files are refused unread.
    .fileBytes = std::int64_t{128} << 20};
#endif

// What each unit of decoding costs, in nanoseconds of processor time on our two-core machine while
// busy, measured on camera-like photos and on the dearest files we know: a block visited by a scan
// (more when the file has several scans, whose coefficients live in memory), a byte of coded data,
// a block and a pixel of the output pass (inverse DCT, upsampling and colour conversion; the DCT
// scale decides the pixels). The arithmetic decoder costs by its decisions, which grow with the
// coefficients a scan covers, and a byte of its data holds many. Decoding from the zeros after the
// data, a block it was trained to find dense is as dear as blocks get, and costs no byte.
constexpr std::uint64_t kHuffmanBlockCost = 60;
constexpr std::uint64_t kArithmeticBlockCost = 60;
constexpr std::uint64_t kArithmeticBandCost = 140; // a block's coefficients, 0 to 63
constexpr std::uint64_t kBufferedBlockCost = 70;
constexpr std::uint64_t kPastDataBandCost = 6000;
constexpr std::uint64_t kHuffmanByteCost = 6;
constexpr std::uint64_t kArithmeticByteCost = 140;
constexpr std::uint64_t kSkippedByteCost = 1;
constexpr std::uint64_t kOutputBlockCost = 25;
constexpr std::uint64_t kOutputPixelCost = 3;
// A warning and the recovery that follows it: a resynchronisation reads on to the next marker, whose
// bytes are charged as coded data.
constexpr std::uint64_t kWarningCost = 400;
constexpr std::uint64_t kWarningsBetweenChecks = 1024;
constexpr int kCoefficients = DCTSIZE2;

// libjpeg's rows beside its coefficients: a few row groups of every component, and its tables.
constexpr std::size_t kRowGroups = 6;
constexpr std::size_t kLibjpegFixedBytes = std::size_t{1} << 20;

std::mutex gBoundsMutex;
JpegBounds gBounds = kDefaultBounds;

void ErrorExit(j_common_ptr cinfo) {
    cinfo->err->format_message(cinfo, reinterpret_cast<JpegErrors*>(cinfo->err)->message);
    FailDecode(cinfo, cinfo->err->msg_code);
}

// Warnings (corrupt data that libjpeg works around) are not shown anywhere.
void OutputMessage(j_common_ptr) {}

// libjpeg's notes on the markers it parses are counted against the bound of markers: a flood of
// markers outside the scans parses nothing else. The restart markers of a scan count as the blocks
// they bound. A warning is no marker: a camera photo with damaged restart intervals has one or two
// for each of thousands of them, and still decodes in milliseconds. A warning is charged as work
// instead, at what its recovery costs, and the work is checked every so many warnings, so a flood
// of them (each resynchronisation may read a marker of two bytes) meets the bound of work.
void EmitMessage(j_common_ptr cinfo, int level) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    DecodeWork& work = *errors->work;
    const int code = errors->pub.msg_code;
    if (code == JTRC_RST) {
        ++work.restarts;
        return;
    }
    if (level < 0 || code == JTRC_RECOVERY_ACTION) { // the recovery belongs to the warning before it
        if (level < 0)
            ++errors->pub.num_warnings;
        if (++work.warnings % kWarningsBetweenChecks == 0 && cinfo->is_decompressor != 0)
            CheckWork(reinterpret_cast<j_decompress_ptr>(cinfo), work);
        return;
    }
    if (++work.messages > work.bounds.markers)
        FailDecode(cinfo, kJpegTooLargeCode);
}

void ProgressMonitor(j_common_ptr cinfo) {
    if (cinfo->is_decompressor == 0)
        return;
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    CheckWork(decompress, *reinterpret_cast<DecodeWork*>(cinfo->progress));
}

std::uint64_t BytesRead(const JpegSource& s) {
    return s.delivered - s.pub.bytes_in_buffer - s.skippedDelivered;
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Hands libjpeg the next chunk, after checking the work so far (the bytes outside the scans are only
// seen here). At the end, as libjpeg's own sources do, a warning and an end-of-image marker.
boolean FillInput(j_decompress_ptr cinfo) {
    auto* s = reinterpret_cast<JpegSource*>(cinfo->src);
    CheckWork(cinfo, *reinterpret_cast<DecodeWork*>(cinfo->progress));
    std::size_t got = 0;
    if (s->offset < s->size) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(s->size - s->offset, kJpegChunkBytes));
        if (s->memory != nullptr) {
            s->pub.next_input_byte = s->memory + s->offset;
            got = want;
        } else {
            ssize_t n;
            do
                n = ::pread(s->fd, s->buffer, want, s->offset);
            while (n < 0 && errno == EINTR);
            got = n > 0 ? static_cast<std::size_t>(n) : 0; // an error or a file cut short ends the data
            s->pub.next_input_byte = s->buffer;
        }
    }
    if (got == 0) {
        static const JOCTET kEndOfImage[] = {0xFF, JPEG_EOI};
        if (s->delivered == 0)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        if (!s->exhausted)
            WARNMS(cinfo, JWRN_JPEG_EOF);
        s->exhausted = true;
        s->offset = s->size;
        s->pub.next_input_byte = kEndOfImage;
        s->pub.bytes_in_buffer = sizeof kEndOfImage;
        s->delivered += sizeof kEndOfImage; // so that the bytes read never count less than none
        return TRUE;
    }
    s->offset += static_cast<std::int64_t>(got);
    s->delivered += got;
    s->pub.bytes_in_buffer = got;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    auto* s = reinterpret_cast<JpegSource*>(cinfo->src);
    if (count <= 0)
        return;
    const auto bytes = static_cast<std::size_t>(count);
    const std::size_t here = std::min(bytes, s->pub.bytes_in_buffer);
    s->pub.next_input_byte += here;
    s->pub.bytes_in_buffer -= here;
    s->skippedDelivered += here;
    // Beyond the chunk: the bytes in between are never read.
    const auto beyond = static_cast<std::int64_t>(
        std::min<std::size_t>(bytes - here, static_cast<std::size_t>(s->size - s->offset)));
    s->offset += beyond;
    s->skipped += here + static_cast<std::uint64_t>(beyond);
}

void InstallSource(j_decompress_ptr cinfo, JpegSource& s) {
    s.pub.init_source = InitSource;
    s.pub.fill_input_buffer = FillInput;
    s.pub.skip_input_data = SkipInput;
    s.pub.resync_to_restart = jpeg_resync_to_restart;
    s.pub.term_source = TermSource;
    s.pub.bytes_in_buffer = 0;
    s.pub.next_input_byte = nullptr;
    cinfo->src = &s.pub;
}

} // namespace

JpegBounds CurrentJpegBounds() {
    std::lock_guard lock(gBoundsMutex);
    return gBounds;
}

ScopedJpegBounds::ScopedJpegBounds(const JpegBounds& bounds) : saved_(CurrentJpegBounds()) {
    std::lock_guard lock(gBoundsMutex);
    gBounds = bounds;
}

ScopedJpegBounds::~ScopedJpegBounds() {
    std::lock_guard lock(gBoundsMutex);
    gBounds = saved_;
}

DecodeMemory& DecodeMemory::Process() {
    static DecodeMemory memory;
    return memory;
}

bool DecodeMemory::Reserve(std::size_t bytes) {
    const std::size_t budget = CurrentJpegBounds().memory;
    if (bytes > budget)
        return false;
    std::unique_lock lock(mutex_);
    ++waiting_;
    released_.wait(lock, [&] { return held_ + bytes <= budget; });
    --waiting_;
    held_ += bytes;
    peak_ = std::max(peak_, held_);
    return true;
}

void DecodeMemory::Release(std::size_t bytes) {
    {
        std::lock_guard lock(mutex_);
        held_ -= bytes;
    }
    released_.notify_all();
}

std::size_t DecodeMemory::Held() const {
    std::lock_guard lock(mutex_);
    return held_;
}

std::size_t DecodeMemory::Peak() const {
    std::lock_guard lock(mutex_);
    return peak_;
}

int DecodeMemory::Waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_;
}

void DecodeMemory::ResetPeak() {
    std::lock_guard lock(mutex_);
    peak_ = held_;
}

bool MemoryReservation::Take(std::size_t bytes) {
    Drop();
    if (!DecodeMemory::Process().Reserve(bytes))
        return false;
    bytes_ = bytes;
    return true;
}

void MemoryReservation::Drop() {
    if (bytes_ != 0)
        DecodeMemory::Process().Release(bytes_);
    bytes_ = 0;
}

[[noreturn]] void FailDecode(j_common_ptr cinfo, int code) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    errors->code = code;
    std::longjmp(errors->jump, 1);
}

void InstallErrors(j_decompress_ptr cinfo, JpegErrors& errors, DecodeWork& work) {
    cinfo->err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.output_message = OutputMessage;
    errors.pub.emit_message = EmitMessage;
    errors.work = &work;
    work.bounds = CurrentJpegBounds();
}

std::chrono::nanoseconds ProcessorTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void InstallWork(j_decompress_ptr cinfo, DecodeWork& work, JpegSource& source) {
    work.started = ProcessorTime();
    work.pub.progress_monitor = ProgressMonitor;
    work.source = &source;
    cinfo->progress = &work.pub;
}

void InstallMemorySource(j_decompress_ptr cinfo, JpegSource& source, const void* data, std::size_t size) {
    source.memory = static_cast<const JOCTET*>(data);
    source.size = static_cast<std::int64_t>(size);
    InstallSource(cinfo, source);
}

void InstallFileSource(j_decompress_ptr cinfo, JpegSource& source, int fd, std::int64_t size,
                       JOCTET* buffer) {
    source.fd = fd;
    source.size = size;
    source.buffer = buffer;
    InstallSource(cinfo, source);
}

void PrepareWork(j_decompress_ptr cinfo, DecodeWork& work) {
    work.arithmetic = cinfo->arith_code != 0;
    work.buffered = jpeg_has_multiple_scans(cinfo) != 0;
    // Up to here only bytes were read; the first scan is charged from its start.
    work.scan = 0;
    work.scanBlocks = 0;
    work.finishedScans = 0;
    work.pictureBlocks = 0;
    for (int i = 0; i < cinfo->num_components; ++i)
        work.pictureBlocks +=
            std::uint64_t{cinfo->comp_info[i].width_in_blocks} * cinfo->comp_info[i].height_in_blocks;
}

std::uint64_t ChargeWork(j_decompress_ptr cinfo, DecodeWork& w) {
    if (cinfo->input_scan_number != w.scan) {
        w.finishedScans += w.scanBlocks * w.blockCost;
        w.scan = cinfo->input_scan_number;
        w.scanBlocks = 0;
        for (int i = 0; i < cinfo->comps_in_scan; ++i) {
            const jpeg_component_info* component = cinfo->cur_comp_info[i];
            w.scanBlocks += std::uint64_t{component->width_in_blocks} * component->height_in_blocks;
        }
        w.band = static_cast<std::uint64_t>(std::clamp(cinfo->Se - cinfo->Ss + 1, 1, kCoefficients));
        w.blockCost = w.arithmetic ? kArithmeticBlockCost + kArithmeticBandCost * w.band / kCoefficients
                                   : kHuffmanBlockCost;
        if (w.buffered)
            w.blockCost += kBufferedBlockCost;
        w.lastMarker = 0;
        w.lastInput = 0;
    }
    const std::uint64_t rows = std::max<JDIMENSION>(cinfo->total_iMCU_rows, 1);
    const std::uint64_t scanRows = std::min<std::uint64_t>(cinfo->input_iMCU_row, rows);
    const std::uint64_t scanInput = w.scanBlocks * scanRows / rows;
    // Once the entropy decoder meets a marker it decodes zeros until the scan (or its restart
    // interval) ends. The arithmetic decoder goes on deciding from them, at full cost, and a file
    // can train it on real data first so that each block is as dear as it gets. Rows between two
    // checks that both saw the same marker waiting, with no restart between, were decoded from zeros.
    const int marker = cinfo->unread_marker;
    w.pastData = marker != 0 && marker == w.lastMarker && w.restarts == w.lastRestarts && scanRows < rows;
    if (w.pastData && w.arithmetic) {
        w.pastDataBlocks += scanInput - w.lastInput;
        w.pastDataWork += (scanInput - w.lastInput) * kPastDataBandCost * w.band / kCoefficients;
    }
    w.lastMarker = marker;
    w.lastRestarts = w.restarts;
    w.lastInput = scanInput;

    const std::uint64_t byteCost = w.arithmetic ? kArithmeticByteCost : kHuffmanByteCost;
    const std::uint64_t output = w.pictureBlocks * kOutputBlockCost +
                                 std::uint64_t{cinfo->output_width} * cinfo->output_height * kOutputPixelCost;
    std::uint64_t bytes = 0;
    std::uint64_t skipped = 0;
    if (w.source != nullptr) {
        bytes = BytesRead(*w.source);
        skipped = w.source->skipped;
    }
    return w.finishedScans + scanInput * w.blockCost + w.pastDataWork + bytes * byteCost +
           skipped * kSkippedByteCost + w.warnings * kWarningCost + output;
}

void CheckWork(j_decompress_ptr cinfo, DecodeWork& w) {
    if (w.stop || w.paid)
        return; // what is decoded is kept, and its output pass was paid for in advance
    if (cinfo->input_scan_number > w.bounds.scans)
        FailDecode(reinterpret_cast<j_common_ptr>(cinfo), kJpegTooManyScansCode);
    const std::uint64_t done = ChargeWork(cinfo, w);
    // Files unlike any we measured are held to the processor time itself.
    const bool over = done > w.bounds.work || ProcessorTime() - w.started > w.bounds.processorTime;
    if (w.pastData && (over || w.pastDataBlocks > w.bounds.pastDataBlocks)) {
        w.stop = true;
        return;
    }
    if (over)
        FailDecode(reinterpret_cast<j_common_ptr>(cinfo), kJpegTooLargeCode);
}

std::size_t LibjpegMemory(j_decompress_ptr cinfo) {
    const bool whole = jpeg_has_multiple_scans(cinfo) != 0;
    std::size_t bytes = kLibjpegFixedBytes;
    for (int i = 0; i < cinfo->num_components; ++i) {
        const jpeg_component_info& c = cinfo->comp_info[i];
        const auto h = static_cast<std::size_t>(std::max(c.h_samp_factor, 1));
        const auto v = static_cast<std::size_t>(std::max(c.v_samp_factor, 1));
        const std::size_t across = (c.width_in_blocks + h - 1) / h * h;
        const std::size_t down = (c.height_in_blocks + v - 1) / v * v;
        if (whole)
            bytes += across * down * sizeof(JBLOCK);
        bytes += across * DCTSIZE * v * DCTSIZE * kRowGroups;
    }
    return bytes;
}

} // namespace tk
