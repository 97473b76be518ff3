// The five carving settings. The add-in holds one TCarveSettings from one
// command to the next (reset to the defaults at every connection); the
// command-line tool maps its options onto the same record.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace carvelo {

// Sampling quality of the uniform pre-resampling.
enum : int32_t {
  Quality_Low = 0,   // the platform's plain stretch: one source pixel per destination pixel
  Quality_Good = 1,  // fixed-point bilinear
  Quality_High = 2,  // two-pass Mitchell-Netravali
};

// Names of the energy filters, indexed by filter number. The last one ends in
// a blank, exactly as the settings dialog lists it.
inline constexpr std::array<std::string_view, 5> FilterNames{"PREWITT", "V1", "V_SQUARE", "SOBEL", "LAPLACIAN "};
inline constexpr std::array<std::string_view, 3> QualityNames{"Low", "Good", "High"};

struct TCarveSettings {
  static constexpr uint8_t MaxFilter = 4;
  static constexpr int32_t MaxStretch = 800;
  static constexpr int32_t MaxMasqueWeight = 100;
  static constexpr int32_t MaxSamplingQuality = 2;

  uint8_t Filter = 0;             // 0..4, energy filter of the engine
  int32_t Stretch = 400;          // 0..800, penalty of every inserted seam
  int32_t MasqueWeight = 100;     // 0..100 percent, strength of painted marks
  int32_t SamplingQuality = Quality_High;  // 0..2
  bool ScaleBeforeCarving = true;  // resample uniformly first when both sides shrink or both grow

  // The dialog's controls keep every value inside its range; anything that
  // sets the values another way checks them with this.
  bool InRange() const {
    return Filter <= MaxFilter && Stretch >= 0 && Stretch <= MaxStretch && MasqueWeight >= 0 &&
           MasqueWeight <= MaxMasqueWeight && SamplingQuality >= 0 && SamplingQuality <= MaxSamplingQuality;
  }

  bool operator==(const TCarveSettings&) const = default;
};

}  // namespace carvelo
