// MD5 of 1 MiB buffers: the band library's digest beside OpenSSL's, in the same run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "deskband/vekMD5.h"

namespace {

const std::string& Buffer() {
  static const std::string buffer = [] {
    std::string b(1 << 20, '\0');
    std::mt19937 random(5);
    for (char& c : b) c = char(random());
    return b;
  }();
  return buffer;
}

void BM_vekMD5(benchmark::State& state) {
  const std::string& buffer = Buffer();
  TMD5Digest digest;
  for (auto _ : state) {
    MD5String(buffer, digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buffer.size()));
}

void BM_OpenSSL_MD5(benchmark::State& state) {
  const std::string& buffer = Buffer();
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  for (auto _ : state) {
    EVP_DigestInit_ex(context, EVP_md5(), nullptr);
    EVP_DigestUpdate(context, buffer.data(), buffer.size());
    EVP_DigestFinal_ex(context, digest, &size);
    benchmark::DoNotOptimize(digest);
  }
  EVP_MD_CTX_free(context);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buffer.size()));
}

}  // namespace

BENCHMARK(BM_vekMD5)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenSSL_MD5)->Unit(benchmark::kMicrosecond);
