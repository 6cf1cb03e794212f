#pragma once
// The Inform 6 compiler as a reference: compiles a game with -k and reads back, from the
// debugging information it writes (gameinfo.dbg, XML), the file and line of every
// routine, object, class, global, constant, array, attribute, property and fake action
// it compiled. Shared by the tests of the game model and of its front ends.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct CompiledDefinition {
    std::string kind;  // the element's name: routine, object, class, global-variable, constant,
                       // array, attribute, property, fake-action
    std::string name;  // as the compiler names it: "lamp.before" for a property's routine,
                       // "##Zap" for a fake action
    std::string file;  // the file the compiler opened, as it named it
    std::uint32_t line = 0;  // as the viewer counts lines (the compiler counts a CR LF pair as two)
    // A name the compiler made up ("Lamp::before", "X (replaced)", "X (superseded replacement)"),
    // not one a game can write.
    bool artificial = false;
};

struct CompiledGame {
    bool compiled = false;
    std::string target;  // the switch it was compiled with: "" for Z-code, "-G" for Glulx
    std::string log;                                 // what the compiler printed
    std::vector<std::string> files;                  // every file it opened, in order
    std::vector<CompiledDefinition> definitions;     // those it located, in its order
    // The lines that hold a statement it compiled (a sequence point), as the viewer counts them.
    std::vector<std::pair<std::string, std::uint32_t>> statements;
};

// The compiler on the PATH (inform6), or "" when there is none.
std::string FindCompiler();

// Compiles main in its own folder (so that names relative to it mean what they mean to
// the game model), its outputs in a temporary folder; the extra arguments go before the
// file (a switch such as -G, or +include_path=...). Tries Z-code, then Glulx.
CompiledGame CompileForReference(const std::string& compiler, const std::filesystem::path& main,
                                 const std::vector<std::string>& arguments = {});

}  // namespace testsupport
