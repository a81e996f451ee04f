// Extraction: every sound of one or more packages written out as WAVE files,
// each package into a folder of its own, with the bytes Snd_Pull exports for
// each sound. Nothing is lost and nothing is overwritten:
//   - every export that holds a sound gets a file, also the second one of a
//     name; names that cannot be file names are escaped (facts/FileNames.h);
//   - DIR/<package name>/<group folders>/<sound name>.wav, the package name
//     being the package's file name without ".kzs", a folder for each level
//     of the sound's group (FileNames::PackageLayout; none with `flat`); a
//     name already taken in the same folder (also differing only in letter
//     case) is numbered: "Bell (2).wav"; folders are made as needed, never
//     through a link: DIR is held open, and every folder in it is entered
//     from the one that holds it, so that a folder renamed or replaced by a
//     link during the run takes no file elsewhere;
//   - an existing file is left alone (reported, status 1) unless overwriting
//     was asked for.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Where a sound stands when ExtractRequest::onStep is called.
enum class ExtractStep {
    Decoding,  // --pcm: its samples are measured and about to be read
    Done,      // it is written, skipped or failed
};

struct ExtractRequest {
    std::vector<std::string> packages;  // paths, in the order given
    std::vector<std::string> sounds;    // export names; empty: every sound
    std::string folder;                 // DIR
    bool overwrite = false;
    bool json = false;
    bool pcm = false;  // sounds the core decodes are written as 16-bit PCM
    bool flat = false;  // every sound of a package in the package's folder
    bool quiet = false;         // no line for each sound written
    // Beside each sound written: its regions and loops as WAVE files
    // ("<sound> - <name>.wav", Facts::CutRegion), its label track
    // ("<sound>.txt") and its SFZ instrument ("<sound>.sfz"), where it has them.
    bool regions = false;
    bool labels = false;
    bool sfz = false;
    bool showProgress = false;  // standard error is a terminal: a progress line
    // Called with each sound's file (its path as printed) at each step: a
    // seam for the tests, which change the files between two steps.
    std::function<void(ExtractStep step, const std::string& file)> onStep;
};

// Writes the sounds. On `out`: one line per sound written and a closing
// summary, or with `json` one JSON document reporting every sound; on `err`:
// warnings (names changed to make file names) and failures, one line each.
// Returns 0 when every sound was written, 1 otherwise (kInfoSuccess,
// kInfoFailure).
int Extract(const ExtractRequest& request, std::ostream& out, std::ostream& err);
