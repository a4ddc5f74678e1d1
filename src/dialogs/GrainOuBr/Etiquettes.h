// The texts of the grain dialog's slider labels (UTF-8).
#pragma once

#include <cstdint>
#include <string>

namespace velmora::grainoubr {

std::string TexteNBr(int32_t position);   // "0 %"
std::string TexteBC(int32_t position);    // "50 %"
std::string TexteDPt(int32_t position);   // "N/3"
std::string TexteKm(int32_t position, const std::string &separateur);  // "1,0"

} // namespace velmora::grainoubr
