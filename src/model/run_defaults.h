#pragma once
// The start-up values of the run fields: the main window shows them and
// ltr-cli takes them for an option not given. Written with a decimal point;
// the window shows a decimal comma.

#include <array>
#include <string>
#include <vector>

#include "model/model_state.h"

namespace ltr {

// The vortex run.
inline constexpr const char* DefaultMaxFreeVortexText = "400";
inline constexpr const char* DefaultMaxTimeText = "1";
inline constexpr const char* DefaultDtText = "0.005";
// The concentration run: particles at each moment and moments.
inline constexpr int DefaultParticleCount = 10;
inline constexpr int DefaultMomentCount = 10;
// The streamline: its start, its step and its greatest length, m.
inline constexpr const char* DefaultFlowLineXText = "0.1";
inline constexpr const char* DefaultFlowLineYText = "0.005";
inline constexpr const char* DefaultFlowLineStepText = "0.005";
inline constexpr const char* DefaultFlowLineMaxLenText = "1";

// A default text as the window shows it: the decimal point as a comma.
inline std::string WithDecimalComma(std::string text) {
  for (char& c : text)
    if (c == '.') c = ',';
  return text;
}

}  // namespace ltr
