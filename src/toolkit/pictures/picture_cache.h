// Pictures at a fixed small size (a card) from picture files: decoded at the smallest DCT scale
// that still covers the size in device pixels, turned upright, reduced to that size by area
// averaging, and kept by the file's identity, so that a later request for the unchanged file is
// served from memory. The files of a deal are decoded ahead on two worker threads of its own.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace tk {

class PictureCache {
public:
    // Kept pictures: a few deals' worth of 70 x 70 cards at any device pixel ratio.
    static constexpr int kMaxEntries = 256;
    static constexpr qsizetype kMaxBytes = qsizetype{24} << 20;
    static constexpr int kWorkerThreads = 2;

    explicit PictureCache(int maxEntries = kMaxEntries, qsizetype maxBytes = kMaxBytes);
    ~PictureCache(); // waits for the decodes under way
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    static PictureCache& Instance();

    // Starts decoding these files (each distinct one once) on the worker threads, and begins a new
    // deal: the failures of the last deal are forgotten, so each is tried once more. Call it on the
    // user-interface thread.
    void Prefetch(const QStringList& paths, QSize size, qreal devicePixelRatio);
    // The picture of the file at this size (device pixel ratio included), waiting for its decode
    // when it is under way, or decoding it now. Raises EPictureError as LoadPictureFile does, each
    // time the file fails; a file that failed in this deal and is unchanged fails without a decode.
    QImage Get(const QString& path, QSize size, qreal devicePixelRatio);
    // Forgets every kept picture and failure.
    void Clear();

    // How many files have been read and decoded so far (for tests and benchmarks).
    int Decodes() const;
    // How many pictures are kept now.
    int Size() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace tk
