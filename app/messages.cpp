// The one table of outcome texts.
#include "app/messages.h"

OutcomeMessage outcome_message(ConversionResult result) {
  switch (result) {
  case ResultUnsupported:
    return {"このファイル形式には対応していません！", nullptr};
  case ResultReadFailed:
    return {"ファイルの読み込みに失敗しました！", nullptr};
  case ResultNotIndexedBitmap:
    return {"このファイルは１６色ｏｒ２５６色ビットマップではありません！", nullptr};
  case ResultSizeNotMultipleOf8:
    return {"画像の幅と高さが８の倍数ではありません！", nullptr};
  case ResultSuccess:
    return {"ファイルの変換に成功しました！", "成功"};
  }
  return {nullptr, nullptr};
}
