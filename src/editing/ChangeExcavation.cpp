#include "editing/ChangeExcavation.h"
#include "core/UserInterface.h"
#include "store/Session.h"
#include "store/Terms.h"
#include "store/UnitFields.h"

namespace belvanto {

QStringList ExcavationCandidates(Session& session)
{
    QStringList candidates = ExcavationList(session.units());
    const QString target = session.catalogue()[uf::Excavation].Label;
    for (const TermRecord& term : TermsOf(session, target))
        if (!candidates.contains(term.Term)) candidates << term.Term;
    return candidates;
}

bool ChangeCurrentExcavation(Session& session)
{
    ProjectState& project = session.project();
    if (project.SingleExcavation) return false;
    UserInterface& ui = session.ui();
    QStringList candidates = ExcavationCandidates(session);
    if (candidates.size() > 1) {
        candidates << kNewExcavationItem;
        const auto chosen = ui.selectString(QStringLiteral("Excavations"), QStringLiteral("Select default excavation:"),
                                            candidates, HelpTopic("Select_current_excavation"));
        if (!chosen || *chosen < 0 || *chosen >= candidates.size()) return false;
        if (candidates[*chosen] != kNewExcavationItem) {
            project.CurrentExcavation = candidates[*chosen];
            return true;
        }
    }
    for (;;) {
        const auto name = ui.inputText(QStringLiteral("Change current excavation"), QStringLiteral("Enter excavation name"),
                                       project.CurrentExcavation);
        if (!name) return false;
        if (CheckExcavationName(ui, *name)) {
            project.CurrentExcavation = *name;
            return true;
        }
    }
}

} // namespace belvanto
