// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Transport.h"

#include "lv2/atom/util.h"
#include "lv2/time/time.h"

namespace kest::tolvane::lv2 {

void TransportUris::map(LV2_URID_Map& map)
{
    const auto uri = [&](const char* name) { return map.map(map.handle, name); };
    atomObject = uri(LV2_ATOM__Object);
    atomBlank = uri(LV2_ATOM__Blank);
    atomLong = uri(LV2_ATOM__Long);
    atomInt = uri(LV2_ATOM__Int);
    atomFloat = uri(LV2_ATOM__Float);
    atomDouble = uri(LV2_ATOM__Double);
    position = uri(LV2_TIME__Position);
    bar = uri(LV2_TIME__bar);
    barBeat = uri(LV2_TIME__barBeat);
    beatsPerBar = uri(LV2_TIME__beatsPerBar);
    beatUnit = uri(LV2_TIME__beatUnit);
    beatsPerMinute = uri(LV2_TIME__beatsPerMinute);
    speed = uri(LV2_TIME__speed);
}

namespace {

// Hosts differ in the number types they send; a missing or foreign one is absent.
bool number(const TransportUris& uris, const LV2_Atom* atom, double& value)
{
    if (atom == nullptr)
        return false;
    const void* body = LV2_ATOM_BODY_CONST(atom);
    if (atom->type == uris.atomFloat && atom->size >= sizeof(float))
        value = *static_cast<const float*>(body);
    else if (atom->type == uris.atomDouble && atom->size >= sizeof(double))
        value = *static_cast<const double*>(body);
    else if (atom->type == uris.atomInt && atom->size >= sizeof(int32_t))
        value = *static_cast<const int32_t*>(body);
    else if (atom->type == uris.atomLong && atom->size >= sizeof(int64_t))
        value = static_cast<double>(*static_cast<const int64_t*>(body));
    else
        return false;
    return true;
}

} // namespace

bool readTransport(const TransportUris& uris, const LV2_Atom& atom, Transport& transport)
{
    if ((atom.type != uris.atomObject && atom.type != uris.atomBlank) || atom.size < sizeof(LV2_Atom_Object_Body))
        return false;
    const auto& object = reinterpret_cast<const LV2_Atom_Object&>(atom);
    if (object.body.otype != uris.position)
        return false;
    const LV2_Atom *bar = nullptr, *barBeat = nullptr, *beatsPerBar = nullptr, *beatUnit = nullptr, *bpm = nullptr,
                   *speed = nullptr;
    lv2_atom_object_get(&object, uris.bar, &bar, uris.barBeat, &barBeat, uris.beatsPerBar, &beatsPerBar, uris.beatUnit,
                        &beatUnit, uris.beatsPerMinute, &bpm, uris.speed, &speed, 0);
    double tempo = 0.0;
    if (!number(uris, bpm, tempo) || !(tempo > 0.0))
        return false;
    // Beats count in the time signature's unit; the engine counts quarter notes.
    double unit = 4.0;
    if (number(uris, beatUnit, unit) && unit > 0.0)
        tempo *= 4.0 / unit;
    else
        unit = 4.0;
    transport.tempo = tempo;

    double rolling = 0.0, bars = 0.0, inBar = 0.0, perBar = 4.0;
    transport.hasBeat = number(uris, speed, rolling) && rolling != 0.0 && number(uris, bar, bars) &&
                        number(uris, barBeat, inBar) && number(uris, beatsPerBar, perBar) && perBar > 0.0;
    transport.beat = transport.hasBeat ? (bars * perBar + inBar) * 4.0 / unit : 0.0;
    return true;
}

} // namespace kest::tolvane::lv2
