// The module's identity, in one place: its name, the version strings of the Win32 version
// resource and of the block the Linux module carries, and what the console banner says. File
// and product version stay 1.2.1.0 (what FrameMaker reads); PrivateBuild tells builds apart.
// Plain #defines so the resource compiler reads them too.
#ifndef ZV_VERSION_INFO_H
#define ZV_VERSION_INFO_H

#include "version/build_identity.h"  // ZV_STR_PRIVATE_BUILD, written by the build

#define ZV_VERSION_BINARY 1, 2, 1, 0
// The file flags: VS_FF_PRIVATEBUILD, since the PrivateBuild string names this build.
#define ZV_FILE_FLAGS 0x8
#define ZV_STR_CLIENT_NAME "ZorvanShapes"
#define ZV_STR_CLIENT_TYPE "Standard"
#define ZV_STR_CLIENT_PRODUCTS "Maker MakerSGML"
#define ZV_STR_FILE_DESCRIPTION "ZorvanShapes"
#define ZV_STR_PRODUCT_NAME "ZorvanShapes"
#define ZV_STR_ORIGINAL_FILENAME "ZorvanShapes.dll"
#define ZV_STR_PRODUCT_VERSION "1.2.1"
#define ZV_STR_FILE_VERSION "1, 2, 1, 0"
#define ZV_STR_COMPANY_NAME "Zorvan Software"
#define ZV_STR_LEGAL_COPYRIGHT "Copyright (C) 2004-2026 Zorvan Software"
// The banner names the release as users know it (v1.3) and the build it came from; the file's
// version resource carries the file version above.
#define ZV_STR_BANNER_VERSION "v1.3"
#define ZV_STR_BANNER_BUILD "Apr  8 2006 10:23:34"
#define ZV_STR_MAKER_ADDRESS "https://www.zorvan.example"
#define ZV_LANGUAGE 0x0409
#define ZV_CODEPAGE 0x04B0
#define ZV_STRING_TABLE "040904b0"

// The string table in its order, for both the resource script and the Linux block builder.
#define ZV_VERSION_STRINGS(X)                     \
  X("ClientName", ZV_STR_CLIENT_NAME)             \
  X("ClientType", ZV_STR_CLIENT_TYPE)             \
  X("ClientProducts", ZV_STR_CLIENT_PRODUCTS)     \
  X("CompanyName", ZV_STR_COMPANY_NAME)           \
  X("FileDescription", ZV_STR_FILE_DESCRIPTION)   \
  X("FileVersion", ZV_STR_FILE_VERSION)           \
  X("LegalCopyright", ZV_STR_LEGAL_COPYRIGHT)     \
  X("OriginalFilename", ZV_STR_ORIGINAL_FILENAME) \
  X("ProductName", ZV_STR_PRODUCT_NAME)           \
  X("ProductVersion", ZV_STR_PRODUCT_VERSION)     \
  X("PrivateBuild", ZV_STR_PRIVATE_BUILD)

#endif
