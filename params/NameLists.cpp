#include "params/NameLists.h"

namespace morlake {

const std::array<Names, 2> OFF_ON_STR = {"Off", "On"};
const std::array<Names, 2> EARLY_PATH_STR = {"Direct", "Into Reverb"};
const std::array<Names, 2> LATE_PATH_STR = {"Direct", "Into Reverb"};

const std::array<Names, 8> DISRUPT_STR = {"Disrupt 1", "Disrupt 2", "Disrupt 3", "Disrupt 4",
                                          "Disrupt 5", "Disrupt 6", "Disrupt 7", "Disrupt 8"};
const std::array<Names, 2> MOD_SLOT_STR = {"Mod Slot 1", "Mod Slot 2"};

const std::array<Names, 21> LATE_SYNCED_LENGTH_STR = {"1/32T", "1/32", "1/32*", "1/16T", "1/16", "1/16*", "1/8T",
                                                      "1/8",   "1/8*", "1/4T",  "1/4",   "1/4*", "1/2T",  "1/2",
                                                      "1/2*",  "1/1T", "1/1",   "1/1*",  "2/1T", "2/1",   "2/1*"};

const std::array<Names, 15> REVERB_PRE_DELAY_SYNCED_LENGTH_STR = {"1/32T", "1/32", "1/32*", "1/16T", "1/16",
                                                                  "1/16*", "1/8T", "1/8",   "1/8*",  "1/4T",
                                                                  "1/4",   "1/4*", "1/2T",  "1/2",   "1/2*"};

const std::array<Names, 31> LFO_TEMPO_SYNCED_PERIOD_STR = {
    "Off",  "32/1*", "32/1", "32/1T", "16/1*", "16/1", "16/1T", "8/1*", "8/1",  "8/1T", "4/1*",
    "4/1",  "4/1T",  "2/1*", "2/1",   "2/1T",  "1/1*", "1/1",   "1/1T", "1/2*", "1/2",  "1/2T",
    "1/4*", "1/4",   "1/4T", "1/8*",  "1/8",   "1/8T", "1/16*", "1/16", "1/16T"};

const std::array<Names, 12> DISRUPT_LAZY_MODE_STR = {"L > R", "R > L", "C > L",     "L > C",
                                                     "C > R", "R > C", "C > L > R", "C > R > L",
                                                     "L Saw", "R Saw", "L > R Saw", "R > L Saw"};

const std::array<Names, 21> DISRUPT_LAZY_TRIGGER_STR = {
    "Free", "Host", "Note", "Mod Wheel", "Pitch Bend", "Breath", "Foot", "Express", "CC16", "CC17", "CC18",
    "CC19", "CC20", "CC21", "CC84",      "CC85",       "CC86",   "CC87", "CC88",    "CC89", "CC90"};

const std::array<Names, 13> DISRUPT_QUANT_STR = {"Off", "32", "24", "20", "16", "12", "10",
                                                 "8",   "6",  "5",  "4",  "3",  "2"};

const std::array<Names, 18> DISRUPT_SPRING_TIME_STR = {
    "Off",    "Instant", "1/32T QB", "1/32 QB", "1/32* QB", "1/16T QB", "1/16 QB", "1/16* QB", "1/8T QB",
    "1/8 QB", "1/8* QB", "1/4T QB",  "1/4 QB",  "1/4* QB",  "1/2T QB",  "1/2 QB",  "1/2* QB",  "1 QB"};

const std::array<Names, 7> FOLLOWER_SOURCE_STR = {"Input",         "Side Input",  "Distort Output", "Early Output",
                                                  "Reverb Output", "Late Output", "Output"};

const std::array<Names, kNumSources> SRC_STR = {"None",
                                                "Mod Wheel",
                                                "Mod Wheel/After",
                                                "Channel Aftertouch",
                                                "Poly Aftertouch",
                                                "Note",
                                                "Centre Note",
                                                "Note Rnd 1",
                                                "Note Rnd 2",
                                                "UniPolar Note Rnd 1",
                                                "UniPolar Note Rnd 2",
                                                "Velocity",
                                                "Pitchbend",
                                                "Breath",
                                                "Foot",
                                                "Expression",
                                                "Brightness",
                                                "CC16",
                                                "CC17",
                                                "CC18",
                                                "CC19",
                                                "CC20",
                                                "CC21",
                                                "CC84",
                                                "CC85",
                                                "CC86",
                                                "CC87",
                                                "CC88",
                                                "CC89",
                                                "CC90",
                                                "CC113",
                                                "CC114",
                                                "Disrupt",
                                                "Follower",
                                                "Lazy",
                                                "UniPolar Lazy",
                                                "Sign Lazy",
                                                "Input",
                                                "Side Input",
                                                "Distort Output",
                                                "Early Output",
                                                "Reverb Output",
                                                "Late Output",
                                                "Output",
                                                "Offset",
                                                "Noise",
                                                "UniPolar Noise"};

const std::array<Names, kNumDestinations> DEST_STR = {"None",
                                                      "Wet/Dry Mix",
                                                      "Input Volume",
                                                      "Output Volume",
                                                      "Wet Volume",
                                                      "Dry Volume",
                                                      "Pan",
                                                      "Wet Pan",
                                                      "Dry Pan",
                                                      "Distortion",
                                                      "Early Volume",
                                                      "Early Pan",
                                                      "Early Length",
                                                      "Early Widen",
                                                      "Early Spread",
                                                      "Early Damp",
                                                      "Early Feed",
                                                      "Early Side Feed",
                                                      "Early Cross Feed",
                                                      "Late Volume",
                                                      "Late Pan",
                                                      "Late Length",
                                                      "Late Width",
                                                      "Late Feed",
                                                      "Late Damp",
                                                      "Reverb Volume",
                                                      "Reverb Pan",
                                                      "Reverb Pre-Delay",
                                                      "Reverb Pre-Widen",
                                                      "Reverb Pre-Spread",
                                                      "Reverb Room Size",
                                                      "Reverb Length",
                                                      "Reverb Damp",
                                                      "Reverb Disorder",
                                                      "Reverb HP",
                                                      "Reverb LP",
                                                      "Disrupt",
                                                      "Disrupt Smooth",
                                                      "Disrupt Amount 1",
                                                      "Disrupt Amount 2",
                                                      "Disrupt Amount 3",
                                                      "Disrupt Amount 4",
                                                      "Disrupt Amount 5",
                                                      "Disrupt Amount 6",
                                                      "Disrupt Amount 7",
                                                      "Disrupt Amount 8",
                                                      "Lazy Mode Speed",
                                                      "Lazy Mode Phase",
                                                      "Lazy Mode Shape",
                                                      "Lazy Mode Humanize",
                                                      "Lazy Mode Smooth",
                                                      "Follower Amount",
                                                      "Follower Threshold",
                                                      "Follower Smooth",
                                                      "Follower Boost",
                                                      "Mod Slot 1 Amount",
                                                      "Mod Slot 2 Amount"};

const std::array<Names, kNumDestinations> DEST_SHORT_STR = {
    "None",       "Wet/Dry Mix", "In Vol",      "Out Vol",   "Wet Vol",     "Dry Vol",      "Pan",        "Wet Pan",
    "Dry Pan",    "Distortion",  "Early Vol",   "Early Pan", "Early Len",   "Early Widen",  "Early Sprd", "Early Damp",
    "Early Feed", "Early Side",  "Early Cross", "Late Vol",  "Late Pan",    "Late Len",     "Late Width", "Late Feed",
    "Late Damp",  "Verb Vol",    "Verb Pan",    "Verb Pre",  "Verb PreWid", "Verb PreSpr",  "Verb Room",  "Verb Len",
    "Verb Damp",  "Verb Dis",    "Verb HP",     "Verb LP",   "Disrupt",     "Disrupt Smth", "Disrupt 1",  "Disrupt 2",
    "Disrupt 3",  "Disrupt 4",   "Disrupt 5",   "Disrupt 6", "Disrupt 7",   "Disrupt 8",    "Lazy Speed", "Lazy Phase",
    "Lazy Shape", "Lazy Human",  "Lazy Smooth", "Flw Amt",   "Flw Thresh",  "Flw Smooth",   "Flw Boost",  "Mod Amt 1",
    "Mod Amt 2"};

const std::array<Names, kNumReverbPresets> REVERB_PRESET_STR = {
    "Hall Clean", "Hall Cave",      "Hall Warm",      "Room Cold",     "Room Edged",
    "Room Storm", "Vintage Type 1", "Vintage Type 2", "Space Orbit 1", "Space Orbit 2"};

} // namespace morlake
