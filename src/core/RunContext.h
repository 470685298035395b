// The state of one run that lies outside the parse state: created with the run, reached
// through the parse state, and freed with the run. Each layer keeps its own part here
// (looked up by type), so the core does not need to know what the layers above keep.
#pragma once

#include <memory>
#include <typeindex>
#include <utility>
#include <vector>

namespace zarnet {

// A layer's part of a run.
struct RunPart {
    virtual ~RunPart() = default;
};

class RunContext {
public:
    RunContext() = default;
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    // The part of type T, made on first use.
    template <class T> T& part() {
        for (auto& [type, p] : parts_)
            if (type == typeid(T)) return static_cast<T&>(*p);
        parts_.emplace_back(typeid(T), std::make_unique<T>());
        return static_cast<T&>(*parts_.back().second);
    }

private:
    std::vector<std::pair<std::type_index, std::unique_ptr<RunPart>>> parts_;
};

} // namespace zarnet
