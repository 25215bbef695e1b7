// The timings of the IR protocols in microseconds, as Linux 6.1 defines them
// in drivers/media/rc/ir-*-decoder.c for its encoders and decoders alike.
// xbox-dvd, for which the kernel has neither, takes ir-ctl's (v4l-utils
// utils/common/ir-encode.c).
#pragma once

#include <cstdint>

namespace ostrel::protocols::timing {

namespace nec {  // ir-nec-decoder.c; sanyo shares the unit
constexpr uint32_t unit = 563;
constexpr uint32_t headerPulse = 16 * unit;
constexpr uint32_t necxHeaderPulse = 8 * unit;
constexpr uint32_t headerSpace = 8 * unit;
constexpr uint32_t repeatSpace = 4 * unit;
constexpr uint32_t bitPulse = unit;
constexpr uint32_t bit0Space = unit;
constexpr uint32_t bit1Space = 3 * unit;
constexpr uint32_t trailerPulse = unit;
constexpr uint32_t trailerSpace = 10 * unit;
}  // namespace nec

namespace jvc {  // ir-jvc-decoder.c
constexpr uint32_t unit = 525;
constexpr uint32_t headerPulse = 16 * unit;
constexpr uint32_t headerSpace = 8 * unit;
constexpr uint32_t bitPulse = unit;
constexpr uint32_t bit0Space = unit;
constexpr uint32_t bit1Space = 3 * unit;
constexpr uint32_t trailerPulse = unit;
constexpr uint32_t trailerSpace = 35 * unit;
}  // namespace jvc

namespace sanyo {  // ir-sanyo-decoder.c
constexpr uint32_t unit = 563;
constexpr uint32_t headerPulse = 16 * unit;
constexpr uint32_t headerSpace = 8 * unit;
constexpr uint32_t bitPulse = unit;
constexpr uint32_t bit0Space = unit;
constexpr uint32_t bit1Space = 3 * unit;
constexpr uint32_t repeatSpace = 150 * unit;
constexpr uint32_t trailerPulse = unit;
constexpr uint32_t trailerSpace = 10 * unit;
}  // namespace sanyo

namespace sharp {  // ir-sharp-decoder.c
constexpr uint32_t unit = 40;
constexpr uint32_t bitPulse = 8 * unit;
constexpr uint32_t bit0Period = 25 * unit;
constexpr uint32_t bit1Period = 50 * unit;
constexpr uint32_t bit0Space = 17 * unit;
constexpr uint32_t bit1Space = 42 * unit;
constexpr uint32_t echoSpace = 1000 * unit;
constexpr uint32_t trailerSpace = 125 * unit;
}  // namespace sharp

namespace sony {  // ir-sony-decoder.c
constexpr uint32_t unit = 600;
constexpr uint32_t headerPulse = 4 * unit;
constexpr uint32_t headerSpace = unit;
constexpr uint32_t bit0Pulse = unit;
constexpr uint32_t bit1Pulse = 2 * unit;
constexpr uint32_t bitSpace = unit;
constexpr uint32_t trailerSpace = 10 * unit;
}  // namespace sony

namespace rc5 {  // ir-rc5-decoder.c
constexpr uint32_t unit = 889;
constexpr uint32_t bitStart = unit;
constexpr uint32_t bitEnd = unit;
constexpr uint32_t rc5xSpace = 4 * unit;
constexpr uint32_t trailer = 6 * unit;
}  // namespace rc5

namespace rc6 {  // ir-rc6-decoder.c
constexpr uint32_t unit = 444;
constexpr uint32_t prefixPulse = 6 * unit;
constexpr uint32_t prefixSpace = 2 * unit;
constexpr uint32_t bitStart = unit;
constexpr uint32_t bitEnd = unit;
constexpr uint32_t toggleStart = 2 * unit;
constexpr uint32_t toggleEnd = 2 * unit;
constexpr uint32_t suffixSpace = 6 * unit;
}  // namespace rc6

namespace xbox_dvd {  // ir-ctl's xbox_dvd_encode
constexpr uint32_t headerPulse = 4000;
constexpr uint32_t headerSpace = 3900;
constexpr uint32_t bitPulse = 550;
constexpr uint32_t bit0Space = 900;
constexpr uint32_t bit1Space = 1900;
constexpr uint32_t trailerPulse = 550;
}  // namespace xbox_dvd

}  // namespace ostrel::protocols::timing
