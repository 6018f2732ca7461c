#pragma once

#include <QString>
#include <functional>

class QIODevice;

// Deflates a whole input into one raw deflate stream (no zlib or gzip wrapper), compressing blocks
// on every core: each block is primed with the last 32 KiB of the one before and ended with a sync
// flush, the last with the stream's end, so the joined blocks are one valid stream.
struct DeflateResult {
    quint32 crc = 0;       // CRC-32 of the input
    qint64 inSize = 0;
    qint64 outSize = 0;
    int readErrno = 0;     // set when the input failed
    int writeErrno = 0;    // set when the output failed
    bool ok() const { return readErrno == 0 && writeErrno == 0; }
};

struct DeflateOptions {
    int level = 9;
    int threads = 0;                 // 0: one per core
    qint64 blockSize = 1024 * 1024;  // input bytes per block
    // Called between blocks with input bytes done and the total; returns false to stop.
    std::function<bool(qint64 done, qint64 total)> progress;
};

// Reads `in` to its end and writes the stream to `out`; `total` is the input size for progress.
DeflateResult ParallelDeflate(QIODevice& in, qint64 total, QIODevice& out, const DeflateOptions& options);
