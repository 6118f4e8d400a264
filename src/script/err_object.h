#pragma once
// The Err object (engine-internal): Number (the default member),
// Description, Source, HelpFile, HelpContext, Clear and Raise.

#include "script/variant.h"

namespace script {

class ErrObject : public Object {
public:
    std::string typeName() const override { return "ErrObject"; }
    int findMember(std::string_view name) const override;
    Variant invoke(int member, Access access, std::span<const Variant> args) override;

    // Records an error that On Error Resume Next let pass.
    void set(const ScriptError& e);
    void clear();
    int number() const { return number_; }

private:
    [[noreturn]] void raise(std::span<const Variant> args);

    int number_ = 0;
    std::string description_, source_, helpFile_;
    int helpContext_ = 0;
};

} // namespace script
