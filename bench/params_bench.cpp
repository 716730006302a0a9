// Costs of the parameter system at the size of a network box (about 170 parameters), for
// a rig of a hundred devices: creating a device's list, finding a parameter by name, a
// typed set with one observer, and a set from text. The baseline is a plain
// std::map<std::string, int> lookup of the same names, measured in the same run.

#include "bench/BenchmarkFigures.h"
#include "params/FakeLumeParamObserver.h"
#include "params/ParamDefinitionList.h"
#include "params/ParamObjectTypes.h"

#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

namespace
{
constexpr int kDefinitionCount = 170;

std::vector<std::string> ParamNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < kDefinitionCount; ++i)
        names.push_back("Parameter" + std::to_string(i * 7919 % 1000) + "_" + std::to_string(i));
    return names;
}

// Definitions of mixed types, as a device type has them.
VParamDefinitionList& Definitions()
{
    static VParamDefinitionList definitions(VStringStd("Control"), VStringStd("Control parameters"),
                                            VStringStd("Description"), VStringStd("General"));
    if (definitions.GetDefinitionCount() == 0)
    {
        int i = 0;
        for (const std::string& name : ParamNames())
        {
            const VStringStd text(name);
            switch (i++ % 4)
            {
            case 0:
                definitions.AddDefinition(text, text, text, text, VParamObjectInt(i));
                break;
            case 1:
                definitions.AddDefinition(text, text, text, text, VParamObjectDouble(i));
                break;
            case 2:
                definitions.AddDefinition(text, text, text, text, VParamObjectBool(false));
                break;
            default:
                definitions.AddDefinition(text, text, text, text, VParamObjectText(text));
            }
        }
    }
    return definitions;
}

struct Sink
{
    void OnValue(int value) { total += value; }
    long total = 0;
};

void CreateParamList(benchmark::State& state)
{
    VParamDefinitionList& definitions = Definitions();
    for (auto _ : state)
        benchmark::DoNotOptimize(definitions.CreateParamList());
    state.SetLabel("per list of 170");
}
BENCHMARK(CreateParamList);

void FindParamByName(benchmark::State& state)
{
    auto list = Definitions().CreateParamList();
    std::vector<VStringStd> names;
    for (const std::string& name : ParamNames())
        names.emplace_back(name);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(list->FindParam(names[i++ % names.size()]));
}
BENCHMARK(FindParamByName);

void MapLookupBaseline(benchmark::State& state)
{
    std::map<std::string, int> map;
    const std::vector<std::string> names = ParamNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        map[names[i]] = static_cast<int>(i);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(map.find(names[i++ % names.size()]));
}
BENCHMARK(MapLookupBaseline);

void TypedSetWithOneObserver(benchmark::State& state)
{
    auto list = Definitions().CreateParamList();
    IParam& param = *list->FindParam(VStringStd(ParamNames()[0]));
    Sink sink;
    VFakeLumeParamObserver<Sink, int, &Sink::OnValue> observer(param, sink);
    int value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(SetParamValue(param, ++value, true));
    benchmark::DoNotOptimize(sink.total);
}
BENCHMARK(TypedSetWithOneObserver);

void SetFromText(benchmark::State& state)
{
    auto list = Definitions().CreateParamList();
    IParam& param = *list->FindParam(VStringStd(ParamNames()[1]));
    const VStringStd texts[] = {VStringStd("59.94"), VStringStd("100")};
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(param.SetValueFromString(texts[i++ % 2], true));
}
BENCHMARK(SetFromText);
} // namespace

int main(int argc, char** argv)
{
    RunBenchmarksWithFigures(argc, argv, "params",
                             {{"CreateParamList", "MapLookupBaseline"},
                              {"FindParamByName", "MapLookupBaseline"},
                              {"TypedSetWithOneObserver", "MapLookupBaseline"},
                              {"SetFromText", "MapLookupBaseline"}});
    return 0;
}
