#pragma once
// The build's version: the one source of the dialog's label, the run log, the Active Setup
// component, the installed-programs entry and the version resource of every program, so that
// none of them can tell another version. Plain #defines: the resource compiler reads it too.
#define VELMAR_VERSION_MAJOR 2024
#define VELMAR_VERSION_MINOR 4
#define VELMAR_VERSION_PATCH 26

// A macro's expansion as a string literal: VELMAR_TEXT(VELMAR_VERSION_MAJOR) is "2024".
#define VELMAR_TEXT_OF(...) #__VA_ARGS__
#define VELMAR_TEXT(...) VELMAR_TEXT_OF(__VA_ARGS__)

// "2024.4.26.0": Windows' four parts, as the version resource spells them.
#define VELMAR_VERSION_TEXT \
  VELMAR_TEXT(VELMAR_VERSION_MAJOR.VELMAR_VERSION_MINOR.VELMAR_VERSION_PATCH.0)
// "2024,4,26": three parts between commas. No blank after a comma: the text keeps any blank
// written between the arguments.
#define VELMAR_VERSION_COMMA_TEXT \
  VELMAR_TEXT(VELMAR_VERSION_MAJOR,VELMAR_VERSION_MINOR,VELMAR_VERSION_PATCH)

#ifndef RC_INVOKED
namespace velmar {
// major * 10000 + minor * 100 + patch: 20240426.
constexpr int kBuildVersion =
    VELMAR_VERSION_MAJOR * 10000 + VELMAR_VERSION_MINOR * 100 + VELMAR_VERSION_PATCH;
}  // namespace velmar
#endif
