#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The desktop file ids that a mimeapps.list names as default handlers of mailto links, in the
// order of preference given (the [Default Applications] entry for x-scheme-handler/mailto).
std::vector<std::string> DefaultMailtoEntries(std::string_view mimeappsList);

// The words of a desktop file's Exec value with its escapes and quoting undone, then its field
// codes (%f %F %u %U %d %D %n %N %i %c %k %v %m) dropped and "%%" read as "%". Empty when the
// value holds any other field code: such a command line is invalid and must not be run.
std::vector<std::string> ExecWords(std::string_view exec);

// The words of a command line written with the Exec key's quoting: blanks part words, double
// quotes keep them together and a backslash inside them takes `"`, '`', '$' or '\' literally.
// Percent signs are plain characters: a stored command holds no field codes.
std::vector<std::string> CommandWords(std::string_view command);

// The command line whose CommandWords are `words`: a word that holds a character the Exec key
// reserves, or none at all, is quoted.
std::string CommandLine(const std::vector<std::string>& words);

// Where the program a command runs stands among its words: the first word, or past an
// "env VAR=value ..." prefix the word after the settings; words.size() when there is none.
std::size_t ProgramWord(const std::vector<std::string>& words);

// The command a desktop file runs: the ExecWords of its [Desktop Entry]. Empty for an entry that
// is hidden, is no application or has no Exec value.
std::vector<std::string> DesktopEntryCommand(std::string_view desktopFile);

// The program a desktop file runs: the word of its command that ProgramWord names; empty when the
// command is.
std::string DesktopEntryProgram(std::string_view desktopFile);

}  // namespace kelvane
