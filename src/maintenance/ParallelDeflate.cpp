#include "ParallelDeflate.h"

#include <zlib.h>

#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>
#include <QThread>
#include <cerrno>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {
constexpr qint64 kWindow = 32 * 1024;
// zlib's memory level also sizes the symbol buffer, and so how often a Huffman block ends: a small
// one suits the pages of a SQLite file (1-2 % smaller than the default), the largest a dump's rows.
// Every kTrialEvery-th block is deflated with both, and the smaller one's level serves the next blocks.
constexpr int kMemLevels[2] = {9, 5};
constexpr qint64 kTrialEvery = 16;

struct Job {
    qint64 index = 0;
    QByteArray input;
    QByteArray dictionary;  // the previous block's last 32 KiB
    bool last = false;
};

struct Done {
    QByteArray output;
    quint32 crc = 0;
    qint64 inSize = 0;
    bool failed = false;
};

Done compress(const Job& job, int level, int memLevel) {
    Done d;
    d.inSize = job.input.size();
    d.crc = crc32(0L, reinterpret_cast<const Bytef*>(job.input.constData()), uInt(job.input.size()));
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
        d.failed = true;
        return d;
    }
    if (!job.dictionary.isEmpty())
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(job.dictionary.constData()), uInt(job.dictionary.size()));
    d.output.resize(qsizetype(deflateBound(&z, uLong(job.input.size())) + 64));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(job.input.constData()));
    z.avail_in = uInt(job.input.size());
    z.next_out = reinterpret_cast<Bytef*>(d.output.data());
    z.avail_out = uInt(d.output.size());
    const int rc = deflate(&z, job.last ? Z_FINISH : Z_SYNC_FLUSH);
    d.failed = job.last ? rc != Z_STREAM_END : (rc != Z_OK || z.avail_in != 0);
    d.output.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return d;
}

int errnoOf(const QIODevice& device) {
    if (auto* f = qobject_cast<const QFileDevice*>(&device)) {
        if (f->error() == QFileDevice::ResourceError) return ENOSPC;
    }
    return errno != 0 ? errno : EIO;
}
}  // namespace

DeflateResult ParallelDeflate(QIODevice& in, qint64 total, QIODevice& out, const DeflateOptions& options) {
    DeflateResult result;
    const int threads = options.threads > 0 ? options.threads : std::max(1, QThread::idealThreadCount());
    const size_t maxInFlight = size_t(threads) * 2;

    std::mutex mutex;
    std::condition_variable jobReady, doneReady;
    std::deque<Job> queue;
    std::map<qint64, Done> finished;
    bool stopping = false;
    bool failed = false;
    std::atomic<int> preferred{kMemLevels[0]};

    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&] {
            for (;;) {
                Job job;
                {
                    std::unique_lock lock(mutex);
                    jobReady.wait(lock, [&] { return stopping || !queue.empty(); });
                    if (queue.empty()) return;
                    job = std::move(queue.front());
                    queue.pop_front();
                }
                Done d;
                if (job.index % kTrialEvery == 0) {
                    Done a = compress(job, options.level, kMemLevels[0]);
                    Done b = compress(job, options.level, kMemLevels[1]);
                    const bool second = !b.failed && b.output.size() < a.output.size();
                    preferred = kMemLevels[second ? 1 : 0];
                    d = std::move(second ? b : a);
                } else {
                    d = compress(job, options.level, preferred);
                }
                std::lock_guard lock(mutex);
                finished.emplace(job.index, std::move(d));
                doneReady.notify_all();
            }
        });
    }

    qint64 nextRead = 0, nextWrite = 0;
    bool inputEnded = false;
    QByteArray previous;
    bool first = true;
    // Reads one block ahead so that the last block is known to be the last.
    QByteArray pending = in.read(options.blockSize);
    if (pending.isEmpty() && in.bytesAvailable() == 0 && !in.atEnd()) result.readErrno = errnoOf(in);

    while (result.ok() && !failed) {
        // Feed the workers while there is room.
        while (!inputEnded && nextRead - nextWrite < qint64(maxInFlight)) {
            QByteArray block = std::move(pending);
            pending = in.read(options.blockSize);
            const bool last = pending.isEmpty();
            if (last && !in.atEnd()) {
                result.readErrno = errnoOf(in);
                break;
            }
            if (block.isEmpty() && !first) {
                inputEnded = true;
                break;
            }
            Job job;
            job.index = nextRead++;
            job.input = block;
            job.dictionary = previous.right(kWindow);
            job.last = last;
            previous = std::move(block);
            first = false;
            {
                std::lock_guard lock(mutex);
                queue.push_back(std::move(job));
            }
            jobReady.notify_one();
            if (last) inputEnded = true;
        }
        if (!result.ok() || nextWrite == nextRead) break;

        // Write the next block in order; wake up now and then to report progress.
        Done d;
        {
            std::unique_lock lock(mutex);
            if (!doneReady.wait_for(lock, std::chrono::milliseconds(50), [&] { return finished.count(nextWrite) > 0; })) {
                lock.unlock();
                if (options.progress && !options.progress(result.inSize, total)) failed = true;
                continue;
            }
            d = std::move(finished[nextWrite]);
            finished.erase(nextWrite);
        }
        ++nextWrite;
        if (d.failed) {
            failed = true;
            break;
        }
        result.crc = quint32(crc32_combine(result.crc, d.crc, d.inSize));
        result.inSize += d.inSize;
        if (out.write(d.output) != d.output.size()) {
            result.writeErrno = errnoOf(out);
            break;
        }
        result.outSize += d.output.size();
        if (options.progress && !options.progress(result.inSize, total)) failed = true;
    }

    {
        std::lock_guard lock(mutex);
        stopping = true;
        queue.clear();
    }
    jobReady.notify_all();
    for (std::thread& t : workers) t.join();
    if (failed && result.ok()) result.writeErrno = ECANCELED;
    return result;
}
