// SPDX-License-Identifier: GPL-3.0-or-later
// The picture cache. The kept pictures, the failures of the current batch and the decodes under way
// are guarded by one mutex; a pool thread takes it only to store its result, and Get waits for the
// decode of its file as every decode ahead is waited for (PictureDecode), or does it itself when no
// pool thread has begun it. The pictures themselves are QImages, whose implicit sharing is safe
// across threads, so every use of one file shares one copy of the pixels.
#include "toolkit/pictures/picture_cache.h"

#include "toolkit/pictures/decode_ahead.h"
#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <atomic>
#include <list>
#include <map>
#include <mutex>
#include <new>
#include <tuple>

#include <jerror.h>

namespace tk {

namespace {

// A picture is known by the version of its file and its size in pixels.
using Key = std::tuple<std::uint64_t, std::uint64_t, std::int64_t, std::int64_t, std::int64_t, int, int>;
// A decode under way is known by the path it reads and the size it makes.
using Job = std::tuple<QString, int, int>;

Key KeyOf(const FileIdentity& f, QSize pixels) {
    return {f.device, f.inode, f.size, f.modified, f.changed, pixels.width(), pixels.height()};
}

QSize DevicePixels(QSize size, qreal devicePixelRatio) {
    const QSize pixels = (QSizeF(size) * devicePixelRatio).toSize();
    return pixels.expandedTo(QSize(1, 1));
}

// What one read and decode of a file gave.
struct Outcome {
    bool read = false; // the file was opened and read, so `identity` says which version failed
    FileIdentity identity;
    QImage picture;
    QString error; // empty on success
};

// Reads and decodes a file, counting the decodes in `decodes`.
Outcome Load(const QString& path, QSize pixels, qreal devicePixelRatio, std::atomic<int>& decodes) {
    Outcome outcome;
    try {
        outcome.picture = LoadCardPicture(path, pixels, &outcome.identity);
        outcome.picture.setDevicePixelRatio(devicePixelRatio);
    } catch (const EPictureError& error) {
        outcome.error = error.Text();
    } catch (const std::bad_alloc&) {
        outcome.error = texts::JpegError(JERR_OUT_OF_MEMORY);
    }
    // The file is identified as it is opened, before it is decoded; no real file has inode 0.
    outcome.read = outcome.identity.inode != 0;
    if (outcome.read)
        ++decodes;
    return outcome;
}

} // namespace

struct PictureCache::Impl {
    struct Entry {
        QImage picture;
        std::list<Key>::iterator recent;
    };

    const int maxEntries;
    const qsizetype maxBytes;
    // Shared with the decodes under way, which may outlive the cache.
    const std::shared_ptr<std::atomic<int>> decodes = std::make_shared<std::atomic<int>>(0);

    using Decode = PictureDecode<Outcome>;

    std::mutex mutex;
    std::map<Key, Entry> pictures;
    std::list<Key> recent; // most recently used first
    qsizetype bytes = 0;
    std::map<Key, QString> failures;                // of the current batch
    std::map<Job, std::shared_ptr<Decode>> running; // a Clear forgets them, so their results are not kept

    Impl(int entries, qsizetype limit) : maxEntries(entries), maxBytes(limit) {}

    // Called with the mutex held: the decode has ended, and whoever ran it keeps its outcome unless a
    // Clear came in between.
    void Finish(const Job& job, const std::shared_ptr<Decode>& decode, QSize pixels) {
        const auto found = running.find(job);
        if (found == running.end() || found->second != decode)
            return;
        running.erase(found);
        Keep(decode->Wait(), pixels);
    }

    // Called with the mutex held.
    void Keep(const Outcome& outcome, QSize pixels) {
        if (!outcome.read)
            return; // it failed before reading, so trying again costs no decode
        const Key key = KeyOf(outcome.identity, pixels);
        if (!outcome.error.isEmpty()) {
            failures[key] = outcome.error;
            return;
        }
        if (pictures.count(key) != 0)
            return;
        recent.push_front(key);
        pictures[key] = Entry{outcome.picture, recent.begin()};
        bytes += outcome.picture.sizeInBytes();
        while (!recent.empty() && (int(pictures.size()) > maxEntries || bytes > maxBytes)) {
            const auto oldest = pictures.find(recent.back());
            bytes -= oldest->second.picture.sizeInBytes();
            pictures.erase(oldest);
            recent.pop_back();
        }
    }

    // Called with the mutex held: the kept picture or failure of this version of the file.
    bool Lookup(const Key& key, QImage* picture, QString* error) {
        if (const auto found = pictures.find(key); found != pictures.end()) {
            recent.splice(recent.begin(), recent, found->second.recent);
            *picture = found->second.picture;
            return true;
        }
        if (const auto failed = failures.find(key); failed != failures.end()) {
            *error = failed->second;
            return true;
        }
        return false;
    }
};

PictureCache::PictureCache(int maxEntries, qsizetype maxBytes)
    : d_(std::make_shared<Impl>(maxEntries, maxBytes)) {}

PictureCache::~PictureCache() {
    // Decodes not begun are dropped; those under way end before the cache goes.
    std::map<Job, std::shared_ptr<Impl::Decode>> running;
    {
        std::lock_guard lock(d_->mutex);
        running.swap(d_->running);
    }
    for (auto& [job, decode] : running) {
        decode->Drop();
        decode->Wait();
    }
}

PictureCache& PictureCache::Instance() {
    static PictureCache cache;
    return cache;
}

void PictureCache::Prefetch(const QStringList& paths, QSize size, qreal devicePixelRatio) {
    const QSize pixels = DevicePixels(size, devicePixelRatio);
    std::lock_guard lock(d_->mutex);
    d_->failures.clear();
    for (const QString& path : paths) {
        const Job job{path, pixels.width(), pixels.height()};
        if (d_->running.count(job) != 0)
            continue;
        FileIdentity identity;
        if (PictureFileIdentity(path, &identity) && d_->pictures.count(KeyOf(identity, pixels)) != 0)
            continue;
        auto decode = std::make_shared<Impl::Decode>([decodes = d_->decodes, path, pixels, devicePixelRatio] {
            return Load(path, pixels, devicePixelRatio, *decodes);
        });
        d_->running.emplace(job, decode);
        // Each file on its own, so the pool's threads share a batch's files.
        DecodePool::Start([d = std::weak_ptr<Impl>(d_), job, decode, pixels] {
            if (!decode->DecodeUnlessBegun())
                return;
            if (const std::shared_ptr<Impl> cache = d.lock()) {
                std::lock_guard done(cache->mutex);
                cache->Finish(job, decode, pixels);
            }
        });
    }
}

QImage PictureCache::Get(const QString& path, QSize size, qreal devicePixelRatio) {
    const QSize pixels = DevicePixels(size, devicePixelRatio);
    const Job job{path, pixels.width(), pixels.height()};
    std::unique_lock lock(d_->mutex);
    for (;;) {
        // The version on disk now decides, also when the decode under way read an older one.
        FileIdentity identity;
        const bool exists = PictureFileIdentity(path, &identity);
        QImage picture;
        QString error;
        if (exists && d_->Lookup(KeyOf(identity, pixels), &picture, &error)) {
            if (!error.isEmpty())
                throw EPictureError(error);
            return picture;
        }
        const auto found = d_->running.find(job);
        if (found == d_->running.end())
            break;
        const std::shared_ptr<Impl::Decode> decode = found->second;
        lock.unlock();
        decode->Get();
        lock.lock();
        d_->Finish(job, decode, pixels);
    }
    lock.unlock();
    const Outcome outcome = Load(path, pixels, devicePixelRatio, *d_->decodes);
    lock.lock();
    d_->Keep(outcome, pixels);
    if (!outcome.error.isEmpty())
        throw EPictureError(outcome.error);
    return outcome.picture;
}

void PictureCache::Clear() {
    std::lock_guard lock(d_->mutex);
    d_->pictures.clear();
    d_->recent.clear();
    d_->bytes = 0;
    d_->failures.clear();
    d_->running.clear();
}

int PictureCache::Decodes() const {
    return d_->decodes->load();
}

int PictureCache::Size() const {
    std::lock_guard lock(d_->mutex);
    return int(d_->pictures.size());
}

} // namespace tk
