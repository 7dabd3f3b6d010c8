// The record-mode codes the camera reports, turned back into the list indices of the record
// settings (the inverse of HighRateCode, LowRateCode and LowShutterCode). -1: the code does not
// exist for that image size. An image size outside 0..3 gives 0 from every one of them.
#pragma once

#include <cstdint>

int32_t HighRateIndex(int32_t imageSize, int32_t rateCode);
int32_t LowRateIndex(int32_t imageSize, int32_t rateCode);
int32_t HighShutterIndex(int32_t imageSize, int32_t shutterCode);
int32_t LowShutterIndex(int32_t imageSize, int32_t shutterCode);
