// Files that hold no text: images (PNG, JPEG, GIF, TIFF, BMP, WebP, ICO), audio (MP3, FLAC,
// Ogg, WAV), video (MP4/QuickTime, Matroska/WebM, AVI), programs (ELF, PE, Mach-O) and fonts
// (TrueType, OpenType, WOFF, WOFF2), recognised by their signatures (with a check of the
// header behind weak ones: "MZ" needs its PE header, RIFF its form type, BMP and ICO their
// header fields). Their viewer delivers no text and says ViewerFileInfo::notText, so no
// "readable runs" of their bytes are indexed. Depends on import/Viewer.
#pragma once

#include <cstdint>
#include <string_view>

#include "import/ImportSettings.h"
#include "lexaurum/lxrviewer.h"

namespace nottext {

// What `head` is: "image", "audio", "video", "program", "font", or null for anything else.
const char* kindOf(std::string_view head);

// The registry's recognizer (100 for a file kindOf names) and maker.
int16_t recognize(const char* fileName, const uint8_t* head, int32_t headBytes);
Viewer* makeViewer(const ImportSettings& settings, ByteSource& source, const lxrViewerInfo& info);

}  // namespace nottext
