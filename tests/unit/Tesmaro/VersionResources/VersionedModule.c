/* An otherwise empty DLL: it exists to carry a version resource. */
int VersionedModuleMarker;
