// Every text the SQR program parser shows to users, referenced by name.
#pragma once

namespace zarnet::sqr::msg {

// --- lexical layer ---


// --- symbol table and variable references ---


// --- program structure, commands and statements ---


// --- declarations and expressions ---


} // namespace zarnet::sqr::msg
