#include "wizard-components/CkProc.h"

#include "wizard-components/CkCore.h"

TCipherProgress CipherProgress;
int32_t CipherProgressInterval = 64;

void BlowfishCryptStream(TStream& input, TStream& output, const TCipherKey& key, bool encrypt) {
  ck_detail::StreamSource in{&input};
  ck_detail::StreamSink out{&output};
  if (const char* error = ck_detail::CryptStream(in, out, key, encrypt)) ck_detail::RaiseCipherError(error);
}
