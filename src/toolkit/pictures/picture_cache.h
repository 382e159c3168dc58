// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures at a fixed small size from picture files: decoded at the smallest DCT scale that still
// covers the size in device pixels, turned upright, reduced to that size by area averaging, and kept
// by the file's identity, so that a later request for the unchanged file is served from memory. The
// files of a batch are decoded ahead on the process's decode pool (decode_ahead.h), each file read a
// chunk at a time; two large decodes take turns within the process's one budget.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace tk {

class PictureCache {
public:
    // Kept pictures: a few batches' worth of 70 x 70 pictures at any device pixel ratio.
    static constexpr int kMaxEntries = 256;
    static constexpr qsizetype kMaxBytes = qsizetype{24} << 20;

    explicit PictureCache(int maxEntries = kMaxEntries, qsizetype maxBytes = kMaxBytes);
    ~PictureCache(); // drops the decodes not begun and waits for those under way
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    static PictureCache& Instance();

    // Starts decoding these files (each distinct one once) on the decode pool, and begins a new
    // batch: the failures of the last batch are forgotten, so each is tried once more. Call it on the
    // user-interface thread.
    void Prefetch(const QStringList& paths, QSize size, qreal devicePixelRatio);
    // The picture of the file at this size (device pixel ratio included), waiting for its decode
    // when it is under way, or decoding it now (also when it waits on the pool, not yet begun).
    // Raises EPictureError as LoadPictureFile does, each time the file fails; a file that failed in
    // this batch and is unchanged fails without a decode.
    QImage Get(const QString& path, QSize size, qreal devicePixelRatio);
    // Forgets every kept picture and failure.
    void Clear();

    // How many files have been read and decoded so far (for tests and benchmarks).
    int Decodes() const;
    // How many pictures are kept now.
    int Size() const;

private:
    struct Impl;
    std::shared_ptr<Impl> d_; // the pool's threads hold it weakly
};

} // namespace tk
