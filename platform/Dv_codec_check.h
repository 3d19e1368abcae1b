#pragma once
namespace wk::platform {
// Asks libavcodec for its DV decoder and, when it has one, registers it in the registry store
// as the video codec driver for "dvsd" and "CDVC" (the entries the codec check reads).
// Returns whether a DV decoder was found.
bool Register_DV_codec();
// Whether both entries are in the registry store already (read without opening libavcodec).
bool DV_codec_registered();
} // namespace wk::platform
