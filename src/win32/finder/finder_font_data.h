// The fonts the finder reads, as GDI has them. A face is asked of GDI rather than looked up as a file in
// the Fonts folder: GDI knows every font the user sees, wherever it was installed (the system's folder, the
// user's own fonts, a substitute the system maps the face to), and hands over exactly the font it draws
// for that face, so the pictures and the index always come from the same font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Whether GDI has a font of that face (not a substitute of another name).
bool IsFaceInstalled(const std::wstring& face);
// The faces the finder looks in when the settings name none: the sample layers' template face and the
// standard Japanese faces, with the fonts of the newer extensions and variation sequences, those installed.
std::vector<std::wstring> StandardFinderFaces(const std::wstring& templateFace);
// The face's font file (one font of a collection made a font of its own). Runs on any thread.
bool FetchFaceFontData(const std::wstring& face, std::vector<std::uint8_t>& bytes, std::string& error);
