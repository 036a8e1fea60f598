#pragma once

namespace foxpro {

// Registers the FoxPro engine as the "vfpoledb.1" provider.
void RegisterFoxProProvider();

}  // namespace foxpro
