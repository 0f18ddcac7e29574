#pragma once
// Identities of the plug-in component and of the host's plug-in categories.
#include "base/com/Com.h"

namespace velmora::com {

inline constexpr CLSID kClsidVelmoraCoClass = MakeGuid("C051C3F6-3F17-4B59-8DBC-18731DEC0A25");
inline constexpr GUID kLibidVelmora = MakeGuid("04551D1A-64BB-4814-9F92-98406BB67965");
inline constexpr IID kIidVelmoraCoClass = MakeGuid("239B2C53-D8B5-4B30-82E6-B6F2C2A8E297");

// The host enumerates its plug-ins by these two component categories.
inline constexpr CATID kCatidOrvanePlugins = MakeGuid("096CC8F2-CCEA-419C-8547-F815C246C2DC");
inline constexpr CATID kCatidOrvaneProjectPlugins = MakeGuid("6C10ABFE-C6EC-44FD-A08C-945EDB90948D");

inline constexpr const char* kProgId = "Velmora.VelmoraCoClass";
inline constexpr const char* kCoClassName = "VelmoraCoClass";
inline constexpr const char* kModuleName = "Velmora";
inline constexpr const char* kPluginDescription = "Velmora for Orvane (Controllers Support Library)";
inline constexpr const char* kLibraryHelpString = "Velmora for Orvane (Controller Support Library)";
inline constexpr const char* kInterfaceHelpString = "Interface for VelmoraCoClass Object";

}  // namespace velmora::com
