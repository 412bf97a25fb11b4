// skinremap with the matcher left out, so that every pixel goes through findNearest: the
// plain scan timed as a whole run by bench/compare.sh. Not installed, not for users.

#include <memory>

#include "app/remapper.h"
#include "ui/front_end.h"

int main() {
    RemapperSeams seams;
    seams.createMatcher = [](const Palette&) { return std::unique_ptr<NearestMatcher>(); };
    const auto ui = ui::openFrontEnd();
    return runRemapper(*ui, {}, seams);
}
