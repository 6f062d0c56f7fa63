#pragma once

#include "config/catalogue.h"

#include <cstddef>
#include <string>
#include <vector>

// One element of a parameter, addressed as ReadElement takes it: for a map, row `rows`
// is the x axis and row `rows` + 1 the y axis.
struct ElementRef {
    int par; // catalogue index
    int col;
    int row;
};

// An element whose value differs between two blocks, with the cell texts the editor
// would show for each side.
struct ElementDifference {
    int col;
    int row;
    std::string place; // "" for a single value, "3", "throt 3", "x=20 y=5", "x axis 3"
    std::string mine;
    std::string theirs;
};

// The differing elements of one parameter, in element order.
struct ParameterDifference {
    int par;  // catalogue index
    int node; // index into kCatalogueTree
    std::vector<ElementDifference> elements;
};

// What differs between two blocks, parameter by parameter in tree order.
struct ConfigDifferences {
    std::vector<ParameterDifference> parameters;

    bool empty() const { return parameters.empty(); }
    size_t elementCount() const;
};

// Compares through the catalogue and the codec, so the texts are what the editor shows.
// A map cell is placed by the axis values of `mine`; where an axis point differs its
// place shows both ("x=20|25").
ConfigDifferences CompareBlocks(const ConfigBlock& mine, const ConfigBlock& theirs,
                                char decimalSeparator);

// How many elements differ, as CompareBlocks would list them, without their texts.
size_t CountDifferences(const ConfigBlock& mine, const ConfigBlock& theirs);

// Sets the working value of each chosen element to its value in `theirs` and leaves every
// other working value as it is. False, changing nothing, before a block was loaded.
bool TakeOver(WorkingValues& working, const ConfigBlock& theirs,
              const std::vector<ElementRef>& chosen);

// The block the editor's working values stand for, the rest taken from `block`.
ConfigBlock EditorBlock(const ConfigBlock& block, const WorkingValues& working);
