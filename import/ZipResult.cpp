// Texts of the ZIP container's result codes.
#include "import/ZipResult.h"

namespace zipresult {

std::string text(int code) {
  switch (code) {
    case 0: return "OK";
    case 2: return "Unexpected end of zip file";
    case 3: return "Zip file structure invalid";
    case 4:
    case 5: return "Out of memory";
    case 9: return "Zip file not found";
    case 11: return "Nothing to do";
    case 25: return "Index out of bounds";
    case 28: return "Error creating output file";
    case 29: return "Error opening archive";
    case 39: return "Bad CRC";
    case 41: return "File skipped, encrypted";
    case 42: return "File skipped, unknown compression method";
    case 45: return "Unzip DLL busy";
    case 47: return "Bad command structure";
    case 48: return "Operation cancelled";
    case 49: return "Operation skipped";
    case 50: return "Disk full";
    case kItemNotFound: return "Item not found";
    case kMemberTooLarge: return "Member larger than the extraction limit";
    case kRatioTooHigh: return "Member compressed beyond the allowed ratio";
    case kArchiveTooLarge: return "Archive expands beyond the extraction limit";
    case kUnsafeName: return "Member name leads outside the extraction folder";
    case kSymbolicLink: return "Member is a symbolic link";
    case kNotOpen: return "Zip file not open";
    case kNoLibrary: return "The zip library cannot be loaded";
    default: return "Zip error code " + std::to_string(code);
  }
}

}  // namespace zipresult
