#include "cad/io/LoadResult.h"

namespace cad {

LoadResult failedLoad(LoadStatus status, std::string format) {
  LoadResult r;
  r.status = status;
  r.format = std::move(format);
  switch (status) {
    case LoadStatus::Ok: break;
    case LoadStatus::FileUnreadable: r.message = kMsgFileUnreadable; break;
    case LoadStatus::NotADrawing: r.message = kMsgNotADrawing; break;
    case LoadStatus::UnsupportedVersion: r.message = kMsgUnsupportedVersion; break;
    case LoadStatus::Damaged: r.message = kMsgDamaged; break;
  }
  return r;
}

}  // namespace cad
