#pragma once
// Parser: tokens -> syntax tree (engine-internal). Recursive descent with
// VBScript's operator precedence; locals are bound to slots when their
// procedure ends. The first error is thrown as ScriptError (compile error
// number, line and column).

#include "script/ast.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace script {

// A whole program text (statements, Sub and Function definitions). With
// `enclosing`, the statements are compiled in that procedure's scope (its
// names bind to its slots; the unit's scopeProc describes the frame).
// `extraLocals` are locals that earlier Execute code added to that scope;
// they take the slots after the procedure's own.
std::unique_ptr<ast::Unit> parseProgram(std::string_view source, int unitId,
                                        const ast::Procedure* enclosing = nullptr,
                                        std::span<const std::string> extraLocals = {});
// A single expression, as Engine::evaluate and Eval take it.
std::unique_ptr<ast::Unit> parseExpression(std::string_view source, int unitId,
                                           const ast::Procedure* enclosing = nullptr,
                                           std::span<const std::string> extraLocals = {});

} // namespace script
