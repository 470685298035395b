#include "Parser.h"

#include <deque>
#include <memory>

namespace zarnet {

InputView keepText(Text t) {
    // Texts handed to the parser live until the program ends: views into them are held in
    // saved states and include contexts for the whole run.
    static auto* kept = new std::deque<Text>();
    kept->push_back(std::move(t));
    const Text& k = kept->back();
    return InputView{k.data(), k.data() + k.size()};
}

} // namespace zarnet
