#pragma once
// The value of a constant expression as the compiler works it out for `#Iftrue`,
// `#Iffalse` and the values of constants, with the target's arithmetic:
//  - Z-code: operands are read as signed 16-bit numbers; `+ - *` results outside
//    -32768..32767 are an overflow (the value wraps and is still used); every result of
//    arithmetic is kept as 0..65535, and comparisons compare what is kept, so `-3 < 0`
//    is false and `65535 == -1` true. Literals are kept as written (`65536 == 0` is false).
//  - Glulx: signed 32-bit, wrapping, no overflow.
// Binding, tightest first: unary `-` and `~`; `* / % & |`; `+ -`; the comparisons
// (`== ~= > < >= <=`, which do not chain: `1 == 1 == 1` is a problem, its value still
// used); `&& || ~~`, one level, left to right (`1 || 0 && 0` is 0). `0 && X` and
// `1 || X` are decided without X, whatever it is.
// Operands: numbers (`12`, `$1F`, `$$101`), characters (`'a'`, `'^'`, `'@{41}'`), names
// (asked of the caller), `#version_number` and `#dict_par1` to `3` (asked too), and
// brackets.

#include "CompileTokens.h"

#include <cstdint>
#include <functional>
#include <string_view>

struct ConstantOperand {
    enum Kind : std::uint8_t {
        Value,         // a constant with this value
        NotConstant,   // a variable: "Expected constant"
        Undetermined,  // an array, a routine, a string, a Glulx object: "can't be determined"
        Undefined,     // no such name (yet)
    };
    Kind kind = Undefined;
    std::int64_t value = 0;
};

struct ConstantValue {
    bool known = false;     // false: the expression has no value (an operand that is not a constant, ...)
    bool problem = false;   // something the compiler reports (overflow, a chain of comparisons, ...)
    bool leftOver = false;  // tokens after the expression: not one expression at all
    std::int64_t value = 0;
};

// Evaluates tokens[first, last) of text. name answers for a name (for `#version_number`
// too, given with its '#').
ConstantValue EvaluateConstant(std::string_view text, const CompileToken* first, const CompileToken* last, bool glulx,
                               const std::function<ConstantOperand(std::string_view name)>& name);
