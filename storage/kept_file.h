#pragma once
// A file of someone else's found under one of our temporary names, given back a name that
// people see and that says what it is, so that it is never taken for ours and removed.

#include <string>

#include "platform/held_folder.h"

namespace storage {

// Renames `name` in `folder` to "<target>.saved-<local time>" (with "-2", "-3", ... when
// that is taken); returns the new name, or `name` itself when no rename could be made.
std::string keepUnderOwnName(const platform::HeldFolder& folder, const std::string& name,
                             const std::string& target);

} // namespace storage
