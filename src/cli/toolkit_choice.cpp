#include "cli/toolkit_choice.h"

#include <algorithm>
#include <cctype>

namespace cli {

namespace {

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::string desktopToolkit(std::string_view desktops) {
    static constexpr std::string_view kGtk[] = {"gnome", "unity",    "cinnamon", "budgie",
                                                "pantheon", "xfce", "mate"};
    static constexpr std::string_view kQt[] = {"kde", "lxqt"};
    while (!desktops.empty()) {
        const std::size_t colon = desktops.find(':');
        const std::string name = lowerCase(desktops.substr(0, colon));
        desktops = colon == std::string_view::npos ? std::string_view{} : desktops.substr(colon + 1);
        if (std::find(std::begin(kGtk), std::end(kGtk), name) != std::end(kGtk)) return "gtk";
        if (std::find(std::begin(kQt), std::end(kQt), name) != std::end(kQt)) return "qt";
    }
    return {};
}

std::vector<std::string> toolkitOrder(const ToolkitSurroundings& surroundings,
                                      const std::vector<std::string>& windowToolkits) {
    std::vector<std::string> order;
    const auto add = [&](const std::string& name) {
        if (!name.empty() && !contains(order, name)) order.push_back(name);
    };
    const std::string requested = lowerCase(surroundings.requested);
    if (requested == kTerminal || contains(windowToolkits, requested)) add(requested);
    if (const std::string desktop = desktopToolkit(surroundings.desktop);
        contains(windowToolkits, desktop)) {
        add(desktop);
    }
    for (const std::string& name : windowToolkits) add(name);
    add(std::string(kTerminal));
    return order;
}

ui::NoDisplayReason noDisplayReason(const platform::Displays& displays) {
    using Kind = ui::NoDisplayReason::Kind;
    if (displays.x11 == platform::Answer::Silent || displays.x11 == platform::Answer::Refused) {
        return {displays.x11 == platform::Answer::Refused ? Kind::Refused : Kind::NotAnswering,
                displays.x11Name, false};
    }
    if (displays.wayland == platform::Answer::Silent) {
        return {Kind::NotAnswering, displays.waylandName, true};
    }
    return {};
}

ToolkitChoice chooseToolkit(const ToolkitSurroundings& surroundings, ToolkitStarter& starter) {
    ToolkitChoice choice;
    const std::vector<std::string> windowToolkits = starter.windowToolkits();
    if (!surroundings.requested.empty()) {
        const std::string requested = lowerCase(surroundings.requested);
        if (requested != kTerminal && !contains(windowToolkits, requested)) {
            choice.passedOver.push_back(requested + ": SETUP_DIALOG_TOOLKIT names no toolkit here");
        }
    }
    for (const std::string& name : toolkitOrder(surroundings, windowToolkits)) {
        std::string why;
        std::unique_ptr<ui::Application> app;
        if (name == kTerminal) {
            app = starter.startTerminal(why);
        } else if (!surroundings.displayAnswers || !surroundings.displayAnswers()) {
            why = "no display answers";
        } else if ((app = starter.startWindowToolkit(name, why)) && !app->canShowWindows()) {
            // It loaded, and found no platform of its own on the display.
            choice.noWindowReason = app->whyNoWindows();
            app.reset();
            why = "started, but can show no window here";
        }
        if (app) {
            choice.app = std::move(app);
            choice.chosen = name;
            return choice;
        }
        choice.passedOver.push_back(name + ": " + why);
    }
    return choice;
}

}  // namespace cli
