// explain.h: the words dxfhost uses to tell why the module refuses a drawing.
//
// Receives what the drawing check (check.cpp) found at the place of a refusal. Hands on a
// `why` sentence that names the cause in the user's terms (the variable, the entity and its
// layer, the section, the line) and, where it helps, a `fix` sentence. Neither has a final full
// stop. finish() writes the texts that need the whole drawing: the version for unknown header
// variables and sections, the geometry's bounds for the extents.
#ifndef DXFHOST_EXPLAIN_H
#define DXFHOST_EXPLAIN_H

#include <cstdint>
#include <string>
#include <vector>

#include "dxfhost/check.h"

namespace explain {

struct Text {
    std::string why;
    std::string fix;
};

Text empty();
Text binary();
Text not_text();
Text comment(uint64_t line, const std::string& section);
Text top_level(uint32_t code, const std::string& value);
Text ends_early(uint64_t line, const std::string& inside);
Text header_group(uint32_t code, const std::string& value, uint64_t line,
                  const std::string& variable_before);
Text table(uint32_t code, uint64_t line, const std::string& unknown_table, uint64_t table_line);
Text three_d(const std::string& kind, uint64_t line, const std::string& layer, const std::string& z,
             uint64_t z_line, const std::string& where);
Text arc_end(uint64_t line, const std::string& block);
Text self_reference(const std::vector<std::string>& loop);
Text too_many_blocks();
Text entities_first();
Text second_blocks();

// Completes the refusals whose words need the whole drawing.
void finish(check::Findings* f);

// A number as people read it: at most 6 significant digits, no trailing zeros.
std::string number(double v);

} // namespace explain

#endif
