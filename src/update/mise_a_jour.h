#pragma once

// Transitional, for the main window until it includes update/update_check.h
// and calls the new names; delete this file then.

#include <string>

#include "update/update_check.h"

namespace update {

class MiseAjour : public UpdateCheck {
public:
    using UpdateCheck::UpdateCheck;

    void set_Adresse(const std::string& address) { set_address(address); }
    void set_Logiciel(const std::string& product) { set_product(product); }
    void set_Version(const std::string& version) { set_current_version(version); }
    void Verifier() { check_for_update(); }
};

} // namespace update
