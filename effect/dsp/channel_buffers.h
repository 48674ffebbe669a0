// Plain helpers over arrays of channel pointers (double**), as the processing code passes audio around.
#pragma once

/// An array of nChannels pointers, each to nFrames doubles (not zeroed). [prepare only: allocates]
double** AllocChannelBuffers(int nFrames, int nChannels);
/// Frees what AllocChannelBuffers made; null channels are skipped. [prepare only]
void FreeChannelBuffers(double** buffers, int nChannels);
/// For each channel with both pointers set, copies nFrames doubles to dst + dstOffset. [any thread]
void CopyChannelBuffers(double** src, double** dst, int nFrames, int nChannels, int dstOffset);
/// Copies n doubles to dst + dstOffset; nothing when either pointer is null. [any thread]
void CopyBuffer(const double* src, double* dst, int n, int dstOffset);
/// Zeroes nFrames doubles in each non-null channel. [any thread]
void ZeroChannelBuffers(double** buffers, int nFrames, int nChannels);
/// Sets every sample in each non-null channel whose magnitude lies below `floor` to exact zero. [any thread]
void ZeroBelowFloor(double** buffers, int nFrames, int nChannels, double floor);
