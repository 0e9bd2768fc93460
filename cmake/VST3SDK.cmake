# Locates the VST 3 SDK (filled in with the plug-in shell).
