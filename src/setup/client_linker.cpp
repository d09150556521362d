#include "setup/client_linker.h"

namespace setup {

void OrvexClientLinker::setClientsLocked(bool locked) {
    if (locked) {
        std::vector<long> states;
        for (ui::Checkbox* checkbox : clientCheckboxes()) {
            states.push_back(checkbox->state());
            checkbox->setState(ui::kControlStateValueOn);
            checkbox->setEnabled(false);
        }
        setSavedStates(std::move(states));
        return;
    }

    const std::optional<std::vector<long>> saved = savedStates();
    for (size_t i = 0; i < clientCheckboxes().size(); ++i) {
        ui::Checkbox* checkbox = clientCheckboxes()[i];
        if (saved && i < saved->size()) checkbox->setState((*saved)[i]);
        checkbox->setEnabled(true);
    }
}

void OrvexClientLinker::toggleAutoInstall(ui::Checkbox& sender) {
    setClientsLocked(sender.state() == ui::kControlStateValueOn);
}

}  // namespace setup
