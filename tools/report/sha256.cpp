// SHA-256 (FIPS 180-4), streamed over a file in blocks.
#include "sha256.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "report_error.h"

namespace {

constexpr std::array<uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t rotr(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

class Sha256 {
 public:
  void add(const unsigned char* data, size_t size) {
    total_ += size;
    while (size > 0) {
      size_t take = std::min(size, size_t{64} - held_);
      std::memcpy(block_.data() + held_, data, take);
      held_ += take;
      data += take;
      size -= take;
      if (held_ == 64) {
        compress();
        held_ = 0;
      }
    }
  }
  std::string hex() {
    uint64_t bits = total_ * 8;
    unsigned char pad = 0x80;
    add(&pad, 1);
    unsigned char zero = 0;
    while (held_ != 56) add(&zero, 1);
    unsigned char length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    add(length, 8);
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (uint32_t word : state_) {
      for (int shift = 28; shift >= 0; shift -= 4) out.push_back(digits[(word >> shift) & 15]);
    }
    return out;
  }

 private:
  void compress() {
    uint32_t w[64];
    for (int i = 0; i < 16; ++i) {
      w[i] = uint32_t(block_[4 * i]) << 24 | uint32_t(block_[4 * i + 1]) << 16 |
             uint32_t(block_[4 * i + 2]) << 8 | uint32_t(block_[4 * i + 3]);
    }
    for (int i = 16; i < 64; ++i) {
      uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; ++i) {
      uint32_t t1 =
          h + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
  }

  std::array<uint32_t, 8> state_ = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::array<unsigned char, 64> block_{};
  size_t held_ = 0;
  uint64_t total_ = 0;
};

}  // namespace

FileDigest digestFile(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw ReportError("cannot read " + path + " for its checksum");
  Sha256 hash;
  std::vector<unsigned char> buffer(1 << 20);
  FileDigest digest;
  size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
    hash.add(buffer.data(), got);
    digest.size += got;
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw ReportError("cannot read " + path + " for its checksum");
  digest.sha256 = hash.hex();
  return digest;
}

std::string sha256Hex(const std::string& data) {
  Sha256 hash;
  hash.add(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  return hash.hex();
}
