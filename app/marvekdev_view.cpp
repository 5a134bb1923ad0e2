// The main window's 3D window: Show gives the model the parameter table and
// shows the body built from it.
#include "marvekdev.h"

void MarvekDev::SIM_show()
{
    // Pressed from the event processing of a running operation: a new scene
    // and new parameters in the middle of a run would disturb it.
    if (isBusy())
        return;

    commitParameterEdit();
    // A refused table leaves the model, the scene and the window as they are.
    const QString problem = parameterTableProblem();
    if (!problem.isEmpty()) {
        warnSimulationFailed(problem);
        return;
    }
    applyParameters(&m_model);
    m_view.initScene(&m_model);
    m_view.show();
}
