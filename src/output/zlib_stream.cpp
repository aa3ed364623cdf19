#include "output/zlib_stream.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace proctex {

namespace {

// stb's match finder at its default quality 8: 16384 hash buckets of at most
// 16 positions; a full bucket keeps its newest 8 before taking the next.
constexpr int kBucketCount = 16384;
constexpr int kBucketCapacity = 16;
constexpr int kBucketKeep = 8;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kWindow = 32768;
constexpr int kStoredBlockBytes = 32767;

// The eight bytes at p as one little-endian word, zeros past `end`. The
// compares read bytes by their order in the word, so this is byte order
// independent only on little-endian hosts, which all our targets are.
uint64_t load64(const uint8_t* p, const uint8_t* end) {
    uint64_t v = 0;
    if (end - p >= 8) {
        std::memcpy(&v, p, 8);
    } else {
        std::memcpy(&v, p, std::size_t(end - p));
    }
    return v;
}

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint32_t hashOf(const uint8_t* p) {
    uint32_t hash = p[0] + (uint32_t{p[1]} << 8) + (uint32_t{p[2]} << 16);
    hash ^= hash << 3;
    hash += hash >> 5;
    hash ^= hash << 4;
    hash += hash >> 17;
    hash ^= hash << 25;
    hash += hash >> 6;
    return hash & (kBucketCount - 1);
}

// Equal leading bytes of a and b, at most `limit`; a lies before b.
int matchLength(const uint8_t* a, const uint8_t* b, int limit) {
    int k = 0;
    for (; k + 8 <= limit; k += 8) {
        const uint64_t diff = load64(a + k) ^ load64(b + k);
        if (diff != 0) return k + __builtin_ctzll(diff) / 8;
    }
    while (k < limit && a[k] == b[k]) ++k;
    return k;
}

// One bucket's positions, newest last, and the first eight bytes at each,
// stored byte by byte across the entries: byte k of every entry in one row,
// so sixteen candidates are measured at once without a look at the data.
struct alignas(64) Bucket {
    std::array<std::array<uint8_t, kBucketCapacity>, 8> byte;
    std::array<int32_t, kBucketCapacity> position;
};

struct Buckets {
    std::array<uint8_t, kBucketCount> count{};
    std::array<Bucket, kBucketCount> bucket{};
};

// Bit j set for each of the first n entries at a position after `oldest`.
uint32_t inWindowMask(const Bucket& b, int n, int32_t oldest) {
    const uint32_t all = (1u << n) - 1u;
    if (n == 0 || b.position[0] > oldest) return all;  // positions rise along the bucket
    uint32_t mask = 0;
#if defined(__SSE2__)
    const __m128i after = _mm_set1_epi32(oldest);
    for (int k = 0; k < kBucketCapacity; k += 4) {
        const __m128i q = _mm_load_si128(reinterpret_cast<const __m128i*>(&b.position[size_t(k)]));
        mask |= uint32_t(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(q, after)))) << k;
    }
#else
    for (int k = 0; k < kBucketCapacity; ++k) {
        if (b.position[size_t(k)] > oldest) mask |= 1u << k;
    }
#endif
    return mask & all;
}

// atLeast[k]: bit j set when entry j's first k + 1 bytes equal those of
// `want` (its bytes in little-endian order), among the entries of `valid`.
// Returns the highest k whose set is not empty, or -1; the sets above it are
// left unwritten.
int prefixMatches(const Bucket& b, uint64_t want, uint32_t valid,
                  std::array<uint32_t, 8>& atLeast) {
#if defined(__SSE2__)
    __m128i run = _mm_set1_epi8(-1);
    for (int k = 0; k < 8; ++k) {
        const __m128i row =
            _mm_load_si128(reinterpret_cast<const __m128i*>(b.byte[size_t(k)].data()));
        const __m128i wanted = _mm_set1_epi8(char(uint8_t(want >> (8 * k))));
        run = _mm_and_si128(run, _mm_cmpeq_epi8(row, wanted));
        atLeast[size_t(k)] = uint32_t(_mm_movemask_epi8(run)) & valid;
        if (atLeast[size_t(k)] == 0) return k - 1;  // nobody gets further
    }
#else
    uint32_t run = valid;
    for (int k = 0; k < 8; ++k) {
        const uint8_t wanted = uint8_t(want >> (8 * k));
        uint32_t same = 0;
        for (int j = 0; j < kBucketCapacity; ++j) {
            if (b.byte[size_t(k)][size_t(j)] == wanted) same |= 1u << j;
        }
        run &= same;
        atLeast[size_t(k)] = run;
        if (run == 0) return k - 1;
    }
#endif
    return 7;
}

int newestOf(uint32_t entries) {
    return 31 - __builtin_clz(entries);
}

// A match of `length` bytes back at `position`; length 0 is none.
struct Match {
    int length = 0;
    int32_t position = 0;
};

// The longest match for position i among its bucket's positions within the
// window (after `oldest`), the newest on ties, if it is longer than
// `shorter` (>= 2); otherwise none. `cap` bounds the length (at most 258 and
// the bytes left).
Match bestMatch(const uint8_t* data, const uint8_t* end, const Buckets& buckets, uint32_t h, int i,
                int32_t oldest, int cap, int shorter) {
    const Bucket& b = buckets.bucket[h];
    const uint32_t valid = inWindowMask(b, buckets.count[h], oldest);
    if (valid == 0) return {};
    const uint8_t* at = data + i;
    std::array<uint32_t, 8> atLeast;
    // Bytes past the end are zero on both sides and lie beyond cap, so the
    // stored bytes measure every match of up to eight bytes.
    const int top = prefixMatches(b, load64(at, end), valid, atLeast);
    if (top < 7 && top + 1 <= shorter) return {};
    if (top < 7 || cap <= 8) {
        const int longest = std::min(top + 1, cap);
        if (longest <= shorter) return {};
        return {longest, b.position[size_t(newestOf(atLeast[size_t(longest - 1)]))]};
    }
    // Eight bytes or more: only these candidates can be the longest; measure
    // them on the data, newest first, taking only longer ones.
    Match best{std::max(shorter, 7), -1};
    for (uint32_t entries = atLeast[7]; entries != 0 && best.length < cap;) {
        const int j = newestOf(entries);
        entries &= ~(1u << j);
        const int32_t position = b.position[size_t(j)];
        // Only a candidate that agrees one byte past the best can beat it.
        if (best.length >= 8 && data[position + best.length] != at[best.length]) continue;
        const int d = 8 + matchLength(data + position + 8, at + 8, cap - 8);
        if (d > best.length) best = {d, position};
    }
    if (best.position < 0) return {};
    return best;
}

void remember(Buckets& buckets, uint32_t h, int i, const uint8_t* data, const uint8_t* end) {
    Bucket& b = buckets.bucket[h];
    uint8_t& n = buckets.count[h];
    if (n == kBucketCapacity) {
        for (auto& row : b.byte) std::copy(row.begin() + kBucketKeep, row.end(), row.begin());
        std::copy(b.position.begin() + kBucketKeep, b.position.end(), b.position.begin());
        n = kBucketKeep;
    }
    const uint64_t bytes = load64(data + i, end);
    b.byte[0][n] = uint8_t(bytes);
    b.byte[1][n] = uint8_t(bytes >> 8);
    b.byte[2][n] = uint8_t(bytes >> 16);
    b.byte[3][n] = uint8_t(bytes >> 24);
    b.byte[4][n] = uint8_t(bytes >> 32);
    b.byte[5][n] = uint8_t(bytes >> 40);
    b.byte[6][n] = uint8_t(bytes >> 48);
    b.byte[7][n] = uint8_t(bytes >> 56);
    b.position[n] = i;
    ++n;
}

// The codes of the fixed Huffman table, bit-reversed for an LSB-first writer.
uint32_t reversed(uint32_t code, int bits) {
    uint32_t r = 0;
    for (int k = 0; k < bits; ++k) r = (r << 1) | ((code >> k) & 1u);
    return r;
}

struct Code {
    uint32_t bits;
    int count;
};

Code literalCode(int n) {
    if (n <= 143) return {reversed(0x30u + uint32_t(n), 8), 8};
    if (n <= 255) return {reversed(0x190u + uint32_t(n - 144), 9), 9};
    if (n <= 279) return {reversed(uint32_t(n - 256), 7), 7};
    return {reversed(0xC0u + uint32_t(n - 280), 8), 8};
}

// Every literal, every match length and every distance as one ready code
// with its extra bits.
struct CodeTables {
    std::array<Code, 286> literal;
    std::array<Code, kMaxMatch + 1> length;
    std::array<Code, kWindow + 1> distance;

    CodeTables() {
        for (int n = 0; n < 286; ++n) literal[size_t(n)] = literalCode(n);
        static const int lengthBase[] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                         15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                         67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const int lengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        int j = 0;
        for (int len = kMinMatch; len <= kMaxMatch; ++len) {
            while (j + 1 < 29 && len >= lengthBase[j + 1]) ++j;
            const Code huff = literal[size_t(257 + j)];
            length[size_t(len)] = {huff.bits | (uint32_t(len - lengthBase[j]) << huff.count),
                                   huff.count + lengthExtra[j]};
        }
        for (int d = 1; d <= kWindow; ++d) distance[size_t(d)] = distanceCode(d);
    }

    static Code distanceCode(int d) {
        if (d <= 4) return {reversed(uint32_t(d - 1), 5), 5};
        const uint32_t x = uint32_t(d - 1);
        const int top = 31 - __builtin_clz(x);
        const uint32_t code = 2u * uint32_t(top) + ((x >> (top - 1)) & 1u);
        const int extraBits = top - 1;
        return {reversed(code, 5) | ((x & ((1u << extraBits) - 1u)) << 5), 5 + extraBits};
    }
};

const CodeTables& codeTables() {
    static const CodeTables tables;  // constant after its thread-safe first use
    return tables;
}

// Least significant bit first, 32 bits at a time.
class BitWriter {
public:
    explicit BitWriter(uint8_t* out) : out_(out) {}

    void put(Code c) {
        buffer_ |= uint64_t{c.bits} << filled_;
        filled_ += c.count;
        if (filled_ >= 32) {
            const uint32_t word = uint32_t(buffer_);
            std::memcpy(out_, &word, 4);
            out_ += 4;
            buffer_ >>= 32;
            filled_ -= 32;
        }
    }

    // Pads with zero bits to a whole byte and returns the end of the output.
    uint8_t* finish() {
        for (; filled_ > 0; filled_ -= std::min(filled_, 8)) {
            *out_++ = uint8_t(buffer_);
            buffer_ >>= 8;
        }
        return out_;
    }

private:
    uint8_t* out_;
    uint64_t buffer_ = 0;
    int filled_ = 0;
};

// How far ahead the bucket of a coming position is fetched into the cache.
constexpr int kPrefetchDistance = 8;

// The fixed-Huffman deflate block; returns the end of its bytes.
uint8_t* writeFixedBlock(const uint8_t* data, int length, uint8_t* out) {
    const CodeTables& codes = codeTables();
    const auto buckets = std::make_unique<Buckets>();
    const uint8_t* end = data + length;
    BitWriter bits(out);
    bits.put({1, 1});  // final block
    bits.put({1, 2});  // fixed Huffman codes
    // stb's lazy step drops a match when position i + 1 has a longer one; the
    // search for it sees the same buckets and window as the next position's
    // own search would, so its result serves that position.
    Match next;
    uint32_t nextHash = 0;
    bool nextKnown = false;
    int i = 0;
    // A position's hash is computed kPrefetchDistance positions ahead, when its
    // bucket is fetched into the cache, and kept in a small ring until used.
    constexpr std::size_t kRing = 2 * kPrefetchDistance;  // room for i and i + distance
    std::array<uint32_t, kRing> ringHash{};
    std::array<int, kRing> ringPosition;
    ringPosition.fill(-1);
    auto hashAt = [&](int position) {
        const std::size_t slot = std::size_t(position) % kRing;
        return ringPosition[slot] == position ? ringHash[slot] : hashOf(data + position);
    };
    while (i < length - 3) {
        const int ahead = i + kPrefetchDistance;
        if (ahead < length - 3) {
            const std::size_t slot = std::size_t(ahead) % kRing;
            ringHash[slot] = hashOf(data + ahead);
            ringPosition[slot] = ahead;
            const char* line = reinterpret_cast<const char*>(&buckets->bucket[ringHash[slot]]);
            __builtin_prefetch(line);
            __builtin_prefetch(line + 64);
            __builtin_prefetch(line + 128);
        }
        const uint32_t h = nextKnown ? nextHash : hashAt(i);
        const int cap = std::min(length - i, kMaxMatch);
        const Match m = nextKnown
                            ? next
                            : bestMatch(data, end, *buckets, h, i, i - kWindow, cap, kMinMatch - 1);
        nextKnown = false;
        remember(*buckets, h, i, data, end);
        if (m.length > 0) {
            nextHash = hashAt(i + 1);
            const int nextCap = std::min(length - i - 1, kMaxMatch);
            next = bestMatch(data, end, *buckets, nextHash, i + 1, i - (kWindow - 1), nextCap,
                             m.length);
            nextKnown = next.length > 0;
        }
        if (m.length > 0 && !nextKnown) {
            bits.put(codes.length[size_t(m.length)]);
            bits.put(codes.distance[size_t(i - m.position)]);
            i += m.length;
        } else {
            bits.put(codes.literal[data[i]]);
            ++i;
        }
    }
    for (; i < length; ++i) bits.put(codes.literal[data[i]]);
    bits.put(codes.literal[256]);  // end of block
    return bits.finish();
}

std::size_t storedBlockCount(std::size_t length) {
    return (length + kStoredBlockBytes - 1) / kStoredBlockBytes;
}

uint8_t* writeStoredBlocks(const uint8_t* data, std::size_t length, uint8_t* out) {
    for (std::size_t j = 0; j < length;) {
        const std::size_t block = std::min<std::size_t>(length - j, kStoredBlockBytes);
        const uint16_t len = uint16_t(block);
        const uint16_t nlen = uint16_t(~len);
        *out++ = j + block == length ? 1 : 0;  // final block?
        *out++ = uint8_t(len);
        *out++ = uint8_t(len >> 8);
        *out++ = uint8_t(nlen);
        *out++ = uint8_t(nlen >> 8);
        std::memcpy(out, data + j, block);
        out += block;
        j += block;
    }
    return out;
}

uint32_t adler32Of(const uint8_t* data, std::size_t length) {
    uLong sum = adler32(0L, Z_NULL, 0);
    while (length > 0) {
        const uInt chunk = uInt(std::min<std::size_t>(length, std::size_t{1} << 30));
        sum = adler32(sum, data, chunk);
        data += chunk;
        length -= chunk;
    }
    return uint32_t(sum);
}

}  // namespace

std::size_t zlibStreamBound(std::size_t length) {
    // No code spends more than 9 bits per input byte (a 3-byte match takes at
    // most 25), plus the block header, end code and padding; the stored form
    // is used only when it is the smaller.
    const std::size_t fixed = (length * 9 + 3 + 7 + 7) / 8;
    return 2 + fixed + 4;
}

std::size_t writeZlibStream(const uint8_t* data, std::size_t length, uint8_t* out) {
    out[0] = 0x78;  // deflate, 32 KiB window
    out[1] = 0x5e;  // level hint and header check, as stb writes them
    uint8_t* end = writeFixedBlock(data, int(length), out + 2);
    // stb stores the data instead when its compressed block came out larger.
    if (std::size_t(end - out) > 2 + length + storedBlockCount(length) * 5) {
        end = writeStoredBlocks(data, length, out + 2);
    }
    const uint32_t adler = adler32Of(data, length);
    const uint8_t tail[4] = {uint8_t(adler >> 24), uint8_t(adler >> 16), uint8_t(adler >> 8),
                             uint8_t(adler)};
    std::memcpy(end, tail, 4);
    return std::size_t(end - out) + 4;
}

}  // namespace proctex
