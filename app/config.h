// Configuration and system choice: reading and writing "config.ini", and
// installing a system's defaults and engine procedures.
#pragma once

#include <span>
#include <string>

#include "engines/engine.h"

// "config": resets the view fields of k and reads width, height and the
// start-up system from "config.ini" in the current directory, rewriting it
// with the defaults when it is missing or incomplete (a window size out of
// range is brought into range; something that is not a regular file is
// reported and left alone). One of the five system names: writes that
// system's defaults into s and installs its engine's procedures. Any other
// name does nothing.
void choose_system(const std::string& name, konfig& k, situace& s);
// The view a fresh configuration (and key L) gives: range, samples, time,
// time step and the display switches; nothing else of k.
void reset_view(konfig& k);
// Each sentence choose_system says about "config.ini" is said once in a
// run; a new run (or test) starts by forgetting them.
void config_forget_reports();

// Every system the program offers, in the order of their buttons down the
// left edge.
std::span<const system_record* const> all_systems();
// The system of this name, or null.
const system_record* find_system(const std::string& name);
