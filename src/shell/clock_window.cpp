#include "shell/clock_window.h"

#include <windows.h>

#include <cmath>

#include "platform/registry.h"
#include "platform/services.h"
#include "shell/cache_completion.h"
#include "shell/run_lock.h"

namespace velmora::shell {

namespace {
std::string PrivacyKey() { return std::string(kPrivacyKey).substr(1); }
}  // namespace

void WriteClockMarker(double shiftDays) {
  RegKey::Create(HKEY_CURRENT_USER, PrivacyKey()).WriteDateTime(kClockMarkerValue, shiftDays);
}

void ClearClockMarker() {
  if (const RegKey key = RegKey::Open(HKEY_CURRENT_USER, PrivacyKey(), KEY_SET_VALUE))
    key.DeleteValue(kClockMarkerValue);
}

bool RestoreClockIfMoved() {
  try {
    const RegKey key = RegKey::Open(HKEY_CURRENT_USER, PrivacyKey(), KEY_READ | KEY_SET_VALUE);
    if (!key) return false;
    const auto v = key.ReadValue(kClockMarkerValue);
    if (!v) return false;
    if (LockIsHeld(kRunLockName)) return false;
    double shift = 0;
    // A marker of another shape is no use: it goes, the clock stays.
    if (v->type == REG_BINARY && v->data.size() == sizeof shift) memcpy(&shift, v->data.data(), sizeof shift);
    bool restored = false;
    if (std::isfinite(shift) && shift > 0 && shift < 400) restored = services().setUtcClock(services().utcClock() - shift);
    key.DeleteValue(kClockMarkerValue);
    return restored;
  } catch (const RegistryError&) {
    return false;
  }
}

}  // namespace velmora::shell
