// The card picture cache. The kept pictures, the failures of the current deal and the set of decodes
// under way are guarded by one mutex; a worker takes it only to store its result, and Get waits on the
// condition variable for the decode of its file to end. The pictures themselves are QImages, whose
// implicit sharing is safe across threads, so every card of one file shares one copy of the pixels.
#include "toolkit/pictures/picture_cache.h"

#include "toolkit/pictures/jpeg.h"
#include "toolkit/text/errors.h"

#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <list>
#include <map>
#include <mutex>
#include <new>
#include <set>
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

} // namespace

struct PictureCache::Impl {
    struct Entry {
        QImage picture;
        std::list<Key>::iterator recent;
    };

    const int maxEntries;
    const qsizetype maxBytes;
    std::atomic<int> decodes{0};

    std::mutex mutex;
    std::condition_variable finished;
    std::map<Key, Entry> pictures;
    std::list<Key> recent; // most recently used first
    qsizetype bytes = 0;
    std::map<Key, QString> failures; // of the current deal
    std::set<Job> running;
    int generation = 0; // a Clear makes the results of decodes under way stale

    QThreadPool pool; // last, so that it is destroyed (and waited for) first

    Impl(int entries, qsizetype limit) : maxEntries(entries), maxBytes(limit) {
        pool.setMaxThreadCount(kWorkerThreads);
    }

    Outcome Load(const QString& path, QSize pixels, qreal devicePixelRatio) {
        Outcome outcome;
        try {
            const QByteArray data = ReadPictureFile(path, &outcome.identity);
            outcome.read = true;
            ++decodes;
            outcome.picture = DecodeCardPicture(data, pixels);
            outcome.picture.setDevicePixelRatio(devicePixelRatio);
        } catch (const EPictureError& error) {
            outcome.error = error.Text();
        } catch (const std::bad_alloc&) {
            outcome.error = texts::JpegError(JERR_OUT_OF_MEMORY);
        }
        return outcome;
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
    : d_(std::make_unique<Impl>(maxEntries, maxBytes)) {}

PictureCache::~PictureCache() {
    d_->pool.waitForDone();
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
        d_->running.insert(job);
        Impl* d = d_.get(); // outlives the pool's threads
        const int generation = d_->generation;
        d_->pool.start([d, job, path, pixels, devicePixelRatio, generation] {
            const Outcome outcome = d->Load(path, pixels, devicePixelRatio);
            std::lock_guard done(d->mutex);
            if (generation == d->generation)
                d->Keep(outcome, pixels);
            d->running.erase(job);
            d->finished.notify_all();
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
        if (d_->running.count(job) == 0)
            break;
        d_->finished.wait(lock);
    }
    lock.unlock();
    const Outcome outcome = d_->Load(path, pixels, devicePixelRatio);
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
    ++d_->generation;
}

int PictureCache::Decodes() const {
    return d_->decodes.load();
}

int PictureCache::Size() const {
    std::lock_guard lock(d_->mutex);
    return int(d_->pictures.size());
}

} // namespace tk
