// SHA-256 through libcrypto's EVP interface, streamed over files in blocks or
// fed by a reading stream.
#include "sha256.h"

#include <openssl/evp.h>

#include <cstring>
#include <vector>

#include "report_error.h"

struct Sha256::State {
  EVP_MD_CTX* context = nullptr;
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  if (state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1)
    throw ReportError("cannot start a SHA-256 checksum (libcrypto)");
}

Sha256::~Sha256() {
  EVP_MD_CTX_free(state_->context);
}

void Sha256::add(const void* data, size_t size) {
  if (size == 0) return;
  if (EVP_DigestUpdate(state_->context, data, size) != 1)
    throw ReportError("cannot compute a SHA-256 checksum (libcrypto)");
  size_ += size;
}

std::string Sha256::hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(state_->context, digest, &length) != 1)
    throw ReportError("cannot finish a SHA-256 checksum (libcrypto)");
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    text.push_back(kHex[digest[i] >> 4]);
    text.push_back(kHex[digest[i] & 15]);
  }
  return text;
}

FileDigest digestFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw ReportError("cannot read " + path + " for its checksum");
  Sha256 sum;
  std::vector<unsigned char> block(1 << 20);
  size_t n;
  while ((n = std::fread(block.data(), 1, block.size(), file)) > 0) sum.add(block.data(), n);
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) throw ReportError("cannot read " + path + " for its checksum");
  return {sum.size(), sum.hex()};
}

std::string sha256Hex(const std::string& data) {
  Sha256 sum;
  sum.add(data.data(), data.size());
  return sum.hex();
}

namespace {

// The stream behind a digesting input: reads from the file openInput opened
// and adds what it reads to the sum.
struct DigestingSource {
  InputFile file;
  Sha256* sum;
};

ssize_t readAndAdd(void* cookie, char* buffer, size_t size) {
  auto* source = static_cast<DigestingSource*>(cookie);
  size_t n = std::fread(buffer, 1, size, source->file.get());
  if (n == 0 && std::ferror(source->file.get())) return -1;
  source->sum->add(buffer, n);
  return static_cast<ssize_t>(n);
}

int closeSource(void* cookie) {
  delete static_cast<DigestingSource*>(cookie);
  return 0;
}

}  // namespace

InputFile openDigestingInput(const std::string& path, Sha256& sum) {
  InputFile file = openInput(path);
  if (!file) return file;
  auto* source = new DigestingSource{std::move(file), &sum};
  cookie_io_functions_t functions{readAndAdd, nullptr, nullptr, closeSource};
  FILE* stream = fopencookie(source, "r", functions);
  if (stream == nullptr) {
    delete source;
    return InputFile();
  }
  return InputFile(stream);
}
