// A sound of a test package, its header read at the offset that the lookup
// by name gives, as the export driver positions the stream.
#pragma once

#include <fstream>
#include <string>

#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"

inline KZ_Sound LoadByName(KZ_Package& package, const std::string& name) {
    KZ_Sound sound;
    sound.Package = &package;
    std::ifstream& in = package.GetPackageFile();
    in.clear();
    in.seekg(package.FindExpObjByName(name));
    sound.LoadData(in);
    return sound;
}
