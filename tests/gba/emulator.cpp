// The one place that talks to libmgba: load a ROM, run frames, read the frame buffer.
#include "emulator.h"

#include <mgba/core/core.h>
#include <mgba/core/log.h>

namespace {

// mGBA reports every unmapped read and the missing BIOS file; the frame says all that counts.
void ignore_log(mLogger *, int, enum mLogLevel, const char *, va_list) {}

mLogger quiet_logger = {ignore_log, nullptr};

} // namespace

bool capture_frame(const std::string &rom, int frames, unsigned held_keys, Frame &frame,
                   std::string &why) {
  mLogSetDefaultLogger(&quiet_logger);
  mCore *core = mCoreFind(rom.c_str());
  if (core == nullptr || !core->init(core)) {
    why = "mGBA does not take " + rom + " for a GBA ROM";
    return false;
  }
  // A fresh configuration, not the user's: no BIOS file, so the built-in BIOS boots the ROM.
  mCoreInitConfig(core, nullptr);

  unsigned width = 0, height = 0;
  core->desiredVideoDimensions(core, &width, &height);
  bool ok = width == screen_width && height == screen_height;
  std::vector<color_t> buffer(screen_width * screen_height);
  if (!ok)
    why = "mGBA offers a frame of " + std::to_string(width) + " x " + std::to_string(height);
  else {
    core->setVideoBuffer(core, buffer.data(), screen_width);
    ok = mCoreLoadFile(core, rom.c_str());
    if (!ok)
      why = "mGBA cannot load " + rom;
  }
  if (ok) {
    core->reset(core);
    core->setKeys(core, held_keys);
    for (int i = 0; i < frames; ++i)
      core->runFrame(core);
    // Red in bits 0-7, green 8-15, blue 16-23; the top byte carries flags, not colour.
    frame.assign(buffer.begin(), buffer.end());
    for (std::uint32_t &pixel : frame)
      pixel &= 0xffffff;
  }
  mCoreConfigDeinit(&core->config);
  core->deinit(core);
  return ok;
}
