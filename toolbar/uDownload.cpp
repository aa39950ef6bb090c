#include "toolbar/uDownload.h"

#include "deskband/vekWinInet.h"

namespace {

bool IsDrivePath(const std::string& source) { return source.size() >= 3 && source.compare(1, 2, ":\\") == 0; }

}  // namespace

void LoadUrlToStream(const std::string& source, TMemoryStream& output, int cachePolicy) {
  if (IsDrivePath(source)) {
    TFileStream file(source, fmOpenRead | fmShareDenyNone);
    output.CopyFrom(file, 0);
    return;
  }
  const TWinInetTimeouts timeouts{30, 60};
  HTTPGet(source, output, cachePolicy, &timeouts);
}
