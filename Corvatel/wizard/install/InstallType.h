// InstallType: the catalogue's code for how a product's setup runs silently.
#pragma once

enum InstallType
{
    InstallTypeInstallShield = 0,
    InstallTypeInnoSetup = 1,
    InstallTypeNeedsNewerCorvatel = 2, // a type this version cannot run
};
