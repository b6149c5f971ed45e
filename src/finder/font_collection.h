// One font of a TrueType collection (a 'ttcf' file, as the standard Japanese faces come) made a font file of
// its own, so that the font reader, which reads single fonts, can read it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// `directory` is the table directory of the wanted font (its offset table and table records, as they stand
// in the collection); the font whose directory in `collection` is the same is copied out, its tables laid
// one after the other. False, with `error`, when the collection is damaged or holds no such font.
bool CollectionMemberFont(std::span<const std::uint8_t> collection, std::span<const std::uint8_t> directory,
                          std::vector<std::uint8_t>& font, std::string& error);
