#include "WriteFaultTexts.h"

#include "Configuration.h"

namespace shell {

core::WriteFaultTexts writeFaultTexts(const Configuration &config)
{
    return core::WriteFaultTexts::fromLanguage(
        [&config](const QString &section, int number) { return config.languageText(section, number); });
}

QString writeFaultText(const Configuration &config, const core::WriteOutcome &outcome)
{
    return outcome.ok() ? QString() : writeFaultTexts(config).reason(outcome);
}

}  // namespace shell
