#pragma once
// The styles of a render, built as the viewer's start-up builds them: the built-in
// attributes, overlaid with those stored for the user (read through the settings store
// when the build has it) or in the --settings file, unless --default-styles. Settings
// are only ever read; the store is given to the build, nothing is installed globally.

#include "RenderArguments.h"

#include <cstdio>

class CSyntaxStyleMap;

// Fills styles; RENDER_OK, or RENDER_FAILED after saying on err why the --settings
// file cannot be read.
int LoadRenderStyles(const RenderOptions& options, CSyntaxStyleMap& styles, std::FILE* err);

// Whether writing the output would write over the --settings file the styles come from
// (never done: it would lose the user's styles).
bool WritesOverTheSettings(const RenderOptions& options, std::FILE* out);
