#pragma once
// Parser: tokens -> syntax tree (engine-internal). Recursive descent with
// VBScript's operator precedence; locals are bound to slots when their
// procedure ends. The first error is thrown as ScriptError (compile error
// number, line and column).

#include "script/ast.h"

#include <memory>
#include <string_view>

namespace script {

// A whole program text (statements, Sub and Function definitions).
std::unique_ptr<ast::Unit> parseProgram(std::string_view source, int unitId);
// A single expression, as Engine::evaluate takes it.
std::unique_ptr<ast::Unit> parseExpression(std::string_view source, int unitId);

} // namespace script
