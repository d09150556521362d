// Ties the client checkboxes to the automatic-setup checkbox: while that box
// is checked, every client is checked and disabled; unchecking it gives each
// client back the state it had just before the lock.
#pragma once

#include <optional>
#include <vector>

#include "ui/toolkit.h"

namespace setup {

class OrvexClientLinker {
public:
    void setClientsLocked(bool locked);
    // The automatic-setup checkbox's action; sender is that checkbox.
    void toggleAutoInstall(ui::Checkbox& sender);

    const std::vector<ui::Checkbox*>& clientCheckboxes() const { return clientCheckboxes_; }
    void setClientCheckboxes(std::vector<ui::Checkbox*> checkboxes) {
        clientCheckboxes_ = std::move(checkboxes);
    }
    // The states at the most recent lock; none until the first lock.
    const std::optional<std::vector<long>>& savedStates() const { return savedStates_; }
    void setSavedStates(std::optional<std::vector<long>> states) { savedStates_ = std::move(states); }

private:
    std::vector<ui::Checkbox*> clientCheckboxes_;
    std::optional<std::vector<long>> savedStates_;
};

}  // namespace setup
