// SPDX-License-Identifier: GPL-3.0-or-later
// The atomic write against what a careful save must survive: odd destinations, links,
// modes and owners, the disk's durability, signals and the leftovers of killed runs.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "halfway_write.h"
#include "platform/atomic_write.h"
#include "support/faulty_fs.h"
#include "support/temp_dir.h"

namespace orbelux {
namespace {

namespace fs = std::filesystem;
using prueba::Averia;
using prueba::DirectorioTemporal;
using prueba::EscribirArchivo;
using prueba::LeerArchivo;
using prueba::SistemaConAverias;
using prueba::SistemaQueEspera;

void Escribir(const fs::path& destino, std::string_view contenido,
              SistemaArchivos& sistema = SistemaReal()) {
  EscrituraAtomica escritura(sistema, destino);
  escritura.Escribir(contenido);
  escritura.Confirmar();
}

// The message of the failure, or "" when there was none.
std::string MensajeAlEscribir(const fs::path& destino, SistemaArchivos& sistema = SistemaReal()) {
  try {
    Escribir(destino, "new", sistema);
  } catch (const FalloArchivo& fallo) {
    EXPECT_EQ(fallo.operacion(), FalloArchivo::Operacion::Escritura);
    EXPECT_EQ(fallo.ruta(), destino);
    return fallo.what();
  }
  return "";
}

TEST(MotivoError, LosComunesEnEspanolYLosDemasComoLosDaElSistema) {
  struct Caso {
    int codigo;
    const char* motivo;
  };
  const Caso casos[] = {
      {ENOENT, "no existe"},
      {EACCES, "permiso denegado"},
      {EPERM, "permiso denegado"},
      {EROFS, "sistema de archivos de solo lectura"},
      {ENOSPC, "no queda espacio en el disco"},
      {EDQUOT, "no queda espacio en el disco"},
      {ELOOP, "demasiados enlaces"},
      {EMLINK, "demasiados enlaces"},
      {EISDIR, "es un directorio"},
      {ENOTDIR, "una parte de la ruta no es un directorio"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.motivo);
    EXPECT_EQ(MotivoError(caso.codigo), caso.motivo);
  }
  EXPECT_EQ(MotivoError(EBADF), std::generic_category().message(EBADF));
}

TEST(EsNombreTemporal, SoloLosNuestrosParaEseNombre) {
  struct Caso {
    const char* nombre;
    bool nuestro;
  };
  const Caso casos[] = {
      {"ast.dat.orbelux-tmp-0123456789az", true},
      {"ast.dat.orbelux-tmp-0123456789a", false},    // one letter short
      {"ast.dat.orbelux-tmp-0123456789azb", false},  // one too many
      {"ast.dat.orbelux-tmp-0123456789aZ", false},   // capitals are never made
      {"ast.dat.orbelux-tmp-0123456789a.", false},
      {"otro.dat.orbelux-tmp-0123456789az", false},
      {"xast.dat.orbelux-tmp-0123456789az", false},
      {"ast.dat.tmp-123456789", false},  // another program's, or an older run's
      {"ast.dat", false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    EXPECT_EQ(EsNombreTemporal(caso.nombre, "ast.dat"), caso.nuestro);
  }
}

TEST(EscrituraAtomica, CadaPasoPasaPorElSistemaDeArchivosEnSuOrden) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "out.txt", "old");
  SistemaConAverias sistema;
  Escribir(dir / "out.txt", "new", sistema);
  EXPECT_EQ(sistema.llamadas,
            (std::vector<std::string>{"ResolverEnlaces", "Estado", "BorrarTemporalesAbandonados",
                                      "CrearTemporal", "TomarPermisos", "Escribir",
                                      "SincronizarYCerrar", "Renombrar", "SincronizarDirectorio"}));
  // A new file has no mode to take.
  SistemaConAverias nuevo;
  Escribir(dir / "nuevo.txt", "new", nuevo);
  EXPECT_EQ(nuevo.llamadas,
            (std::vector<std::string>{"ResolverEnlaces", "Estado", "BorrarTemporalesAbandonados",
                                      "CrearTemporal", "Escribir", "SincronizarYCerrar",
                                      "Renombrar", "SincronizarDirectorio"}));
  EXPECT_EQ(LeerArchivo(dir / "nuevo.txt"), "new");
}

TEST(EscrituraAtomica, CadaAveriaDiceElDestinoUnaVezYNuncaElTemporal) {
  struct Caso {
    const char* nombre;
    Averia averia;
    const char* queda;  // the destination's content afterwards
  };
  const Caso casos[] = {
      {"links", Averia::ResolverEnlaces, "old"},
      {"stat", Averia::Estado, "old"},
      {"create", Averia::CrearTemporal, "old"},
      {"mode", Averia::TomarPermisos, "old"},
      {"disk full", Averia::EscribirAMitad, "old"},
      {"fsync", Averia::Sincronizar, "old"},
      {"rename", Averia::Renombrar, "old"},
      // The rename is done by then: the new file stands, and the user is told it may not
      // survive a power cut.
      {"directory fsync", Averia::SincronizarDirectorio, "new"},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    EscribirArchivo(dir / "out.txt", "old");
    SistemaConAverias sistema(caso.averia, 1);
    const std::string esperado =
        caso.averia == Averia::SincronizarDirectorio
            ? ": escrito, pero sin poder asegurarlo en el disco: averia provocada"
            : ": averia provocada";
    EXPECT_EQ(MensajeAlEscribir(dir / "out.txt", sistema), TextoRuta(dir / "out.txt") + esperado);
    EXPECT_EQ(LeerArchivo(dir / "out.txt"), caso.queda);
    EXPECT_EQ(dir.Listado(), "out.txt");
  }
}

TEST(EscrituraAtomica, ElMotivoDelSistemaEnEspanolYLaRutaUnaVez) {
  DirectorioTemporal dir;
  EXPECT_EQ(MensajeAlEscribir(dir / "falta" / "out.txt"),
            TextoRuta(dir / "falta" / "out.txt") + ": no existe");
}

TEST(EscrituraAtomica, RechazaLoQueNoEsUnArchivoNormalYLoDejaComoEstaba) {
  DirectorioTemporal dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_directory(dir / "carpeta");
  EscribirArchivo(dir / "carpeta" / "dentro", "x");
  fs::create_symlink("fifo", dir / "enlace_a_fifo");
  for (const char* nombre : {"fifo", "carpeta", "enlace_a_fifo"}) {
    SCOPED_TRACE(nombre);
    EXPECT_EQ(MensajeAlEscribir(dir / nombre),
              TextoRuta(dir / nombre) + ": no es un archivo normal");
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dir / "fifo")));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / "enlace_a_fifo")));
  EXPECT_EQ(LeerArchivo(dir / "carpeta" / "dentro"), "x");
  EXPECT_EQ(dir.Listado(), "carpeta enlace_a_fifo fifo");
}

TEST(EscrituraAtomica, UnEnlaceSeQuedaYSeReemplazaElArchivoAlQueLleva) {
  struct Caso {
    const char* nombre;
    std::vector<std::pair<std::string, std::string>> enlaces;  // link -> target, in order
    const char* archivo;                                       // where the data ends up
    bool existia;
  };
  const Caso casos[] = {
      {"same folder", {{"out.txt", "real.txt"}}, "real.txt", true},
      {"other folder", {{"out.txt", "otra/real.txt"}}, "otra/real.txt", true},
      {"chain", {{"out.txt", "otra/medio"}, {"otra/medio", "../real.txt"}}, "real.txt", true},
      {"dangling", {{"out.txt", "otra/nuevo.txt"}}, "otra/nuevo.txt", false},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    DirectorioTemporal dir;
    fs::create_directory(dir / "otra");
    if (caso.existia) EscribirArchivo(dir / caso.archivo, "old");
    for (const auto& [enlace, objetivo] : caso.enlaces) fs::create_symlink(objetivo, dir / enlace);
    Escribir(dir / "out.txt", "new");
    for (const auto& [enlace, objetivo] : caso.enlaces) {
      ASSERT_TRUE(fs::is_symlink(fs::symlink_status(dir / enlace))) << enlace;
      EXPECT_EQ(fs::read_symlink(dir / enlace), objetivo);
    }
    EXPECT_EQ(LeerArchivo(dir / caso.archivo), "new");
    // The temporary file went beside the file it replaced, and is gone.
    for (const fs::path& carpeta : {dir.ruta(), dir / "otra"}) {
      for (const auto& entrada : fs::directory_iterator(carpeta)) {
        EXPECT_EQ(entrada.path().filename().string().find(".orbelux-tmp-"), std::string::npos);
      }
    }
  }
}

TEST(EscrituraAtomica, UnBucleDeEnlacesSeRechaza) {
  DirectorioTemporal dir;
  fs::create_symlink("b", dir / "a");
  fs::create_symlink("a", dir / "b");
  EXPECT_EQ(MensajeAlEscribir(dir / "a"), TextoRuta(dir / "a") + ": demasiados enlaces");
  EXPECT_EQ(dir.Listado(), "a b");
}

TEST(EscrituraAtomica, ElArchivoNuevoConservaLosPermisosDelViejo) {
  for (const fs::perms modo :
       {fs::perms(0600), fs::perms(0640), fs::perms(0755), fs::perms(0444), fs::perms(02750)}) {
    SCOPED_TRACE(static_cast<int>(modo));
    DirectorioTemporal dir;
    EscribirArchivo(dir / "out.txt", "old");
    fs::permissions(dir / "out.txt", modo);
    Escribir(dir / "out.txt", "new");
    EXPECT_EQ(fs::status(dir / "out.txt").permissions(), modo);
    EXPECT_EQ(LeerArchivo(dir / "out.txt"), "new");
  }
}

TEST(EscrituraAtomica, UnArchivoNuevoTomaLaMascaraDelProceso) {
  DirectorioTemporal dir;
  const mode_t anterior = ::umask(027);
  Escribir(dir / "out.txt", "new");
  ::umask(anterior);
  EXPECT_EQ(fs::status(dir / "out.txt").permissions(), fs::perms(0640));
}

TEST(EscrituraAtomica, ElArchivoNuevoConservaElDuenoSiElProcesoPuedeDarlo) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file away";
  DirectorioTemporal dir;
  EscribirArchivo(dir / "out.txt", "old");
  ASSERT_EQ(::chown((dir / "out.txt").c_str(), 1234, 5678), 0);
  ASSERT_EQ(::chmod((dir / "out.txt").c_str(), 06755), 0);
  Escribir(dir / "out.txt", "new");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "out.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
  // The set-id bits survive the change of owner, which clears them.
  EXPECT_EQ(st.st_mode & 07777, 06755u);
}

// A file system whose rename first checks that the temporary file is still locked.
class SistemaQueMiraElCandado final : public prueba::SistemaReenviado {
 public:
  void Renombrar(const fs::path& origen, const fs::path& destino) override {
    const int fd = ::open(origen.c_str(), O_RDONLY | O_CLOEXEC);
    bloqueado = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (fd >= 0) ::close(fd);
    SistemaReenviado::Renombrar(origen, destino);
  }
  bool bloqueado = false;
};

TEST(EscrituraAtomica, ElTemporalEstaBloqueadoHastaQueSeRenombra) {
  DirectorioTemporal dir;
  SistemaQueMiraElCandado sistema;
  Escribir(dir / "out.txt", "new", sistema);
  EXPECT_TRUE(sistema.bloqueado);
  EXPECT_EQ(LeerArchivo(dir / "out.txt"), "new");
}

TEST(EscrituraAtomica, BorraLosTemporalesAbandonadosNuncaLosDeOtros) {
  DirectorioTemporal dir;
  const std::string nuestro = "out.txt.orbelux-tmp-abandonado01";
  const std::string en_uso = "out.txt.orbelux-tmp-enuso0000001";
  EscribirArchivo(dir / "out.txt", "old");
  EscribirArchivo(dir / nuestro, "half");
  EscribirArchivo(dir / en_uso, "half");
  EscribirArchivo(dir / "out.txt.tmp-123456789", "another program's");
  EscribirArchivo(dir / "otro.txt.orbelux-tmp-abandonado01", "another file's");
  EscribirArchivo(dir / "out.txt.orbelux-tmp-corto", "not our pattern");
  fs::create_directory(dir / "out.txt.orbelux-tmp-directorio01");
  // Another run is writing this one: it holds the lock.
  const int fd = ::open((dir / en_uso).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  Escribir(dir / "out.txt", "new");
  EXPECT_EQ(dir.Listado(),
            "otro.txt.orbelux-tmp-abandonado01 out.txt out.txt.orbelux-tmp-corto "
            "out.txt.orbelux-tmp-directorio01 out.txt.orbelux-tmp-enuso0000001 "
            "out.txt.tmp-123456789");
  ::close(fd);
  // Once the other run is gone, its file is abandoned too.
  Escribir(dir / "out.txt", "newer");
  EXPECT_FALSE(fs::exists(dir / en_uso));
  EXPECT_EQ(LeerArchivo(dir / "out.txt"), "newer");
}

// A temporary file that, once some data is in it, tells the parent and waits for a signal.
// Runs a write in a child process, stops it with `senal` halfway and returns how it ended.
int MatarAMitad(const fs::path& destino, int senal) {
  int tubo[2];
  if (::pipe(tubo) != 0) return -1;
  const pid_t hijo = ::fork();
  if (hijo == 0) {
    ::close(tubo[0]);
    SistemaQueEspera sistema(tubo[1]);
    EscrituraAtomica escritura(sistema, destino);
    escritura.Escribir(std::string(200000, 'n'));
    ::_exit(4);
  }
  ::close(tubo[1]);
  char c = 0;
  const bool a_mitad = ::read(tubo[0], &c, 1) == 1;
  ::close(tubo[0]);
  ::kill(hijo, senal);
  // A child that outlives the signal is a failure, not a hung test.
  int estado = 0;
  for (int espera = 0; espera < 500 && ::waitpid(hijo, &estado, WNOHANG) == 0; ++espera) {
    ::usleep(10000);
    if (espera == 499) {
      ::kill(hijo, SIGKILL);
      ::waitpid(hijo, &estado, 0);
      return -2;
    }
  }
  return a_mitad ? estado : -1;
}

bool Ignorada(int senal) {
  struct sigaction actual {};
  ::sigaction(senal, nullptr, &actual);
  return (actual.sa_flags & SA_SIGINFO) == 0 && actual.sa_handler == SIG_IGN;
}

TEST(EscrituraAtomica, UnaSenalBorraElTemporalYElProcesoMuereDeEllaComoSiempre) {
  for (const int senal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(strsignal(senal));
    // A shell starts background jobs with SIGINT ignored, and nohup SIGHUP: such a signal
    // stays ignored, and there is nothing to see.
    if (Ignorada(senal)) continue;
    DirectorioTemporal dir;
    EscribirArchivo(dir / "out.txt", "old");
    const int estado = MatarAMitad(dir / "out.txt", senal);
    ASSERT_TRUE(WIFSIGNALED(estado)) << estado;
    EXPECT_EQ(WTERMSIG(estado), senal);
    EXPECT_EQ(dir.Listado(), "out.txt");
    EXPECT_EQ(LeerArchivo(dir / "out.txt"), "old");
  }
}

TEST(EscrituraAtomica, ElTemporalDeUnSIGKILLLoBorraLaSiguienteEscritura) {
  DirectorioTemporal dir;
  EscribirArchivo(dir / "out.txt", "old");
  const int estado = MatarAMitad(dir / "out.txt", SIGKILL);
  ASSERT_TRUE(WIFSIGNALED(estado));
  ASSERT_EQ(std::distance(fs::directory_iterator(dir.ruta()), fs::directory_iterator()), 2);
  Escribir(dir / "out.txt", "new");
  EXPECT_EQ(dir.Listado(), "out.txt");
  EXPECT_EQ(LeerArchivo(dir / "out.txt"), "new");
}

TEST(EscrituraAtomica, ElManejadorQueHabiaSigueYLaSenalIgnoradaSigueIgnorada) {
  for (const bool con_info : {false, true}) {
    SCOPED_TRACE(con_info ? "SA_SIGINFO handler" : "plain handler");
    DirectorioTemporal dir;
    EscribirArchivo(dir / "out.txt", "old");
    int aviso[2];
    int ordenes[2];
    ASSERT_EQ(::pipe(aviso), 0);
    ASSERT_EQ(::pipe(ordenes), 0);
    const pid_t hijo = ::fork();
    if (hijo == 0) {
      ::close(aviso[0]);
      ::close(ordenes[1]);
      const std::string destino = (dir / "out.txt").string();
      const std::string fd_aviso = std::to_string(aviso[1]);
      const std::string fd_ordenes = std::to_string(ordenes[0]);
      ::execl(ORBELUX_HIJO_ESCRITURA, "atomic_write_child", destino.c_str(), fd_aviso.c_str(),
              fd_ordenes.c_str(), con_info ? "siginfo" : "plain", nullptr);
      ::_exit(5);
    }
    ::close(aviso[1]);
    ::close(ordenes[0]);
    char c = 0;
    const bool a_mitad = ::read(aviso[0], &c, 1) == 1;
    if (!a_mitad) ::kill(hijo, SIGKILL);
    ASSERT_TRUE(a_mitad);
    // SIGHUP was ignored before the first write: it still is, and the write goes on. A
    // signal is dealt with when it is sent, so an answer after it proves the child lives;
    // a child it killed closes the pipe instead.
    ::kill(hijo, SIGHUP);
    char respuesta = 0;
    EXPECT_EQ(::write(ordenes[1], "?", 1), 1);
    EXPECT_EQ(::read(aviso[0], &respuesta, 1), 1);
    EXPECT_EQ(respuesta, '!');
    ::close(aviso[0]);
    ::close(ordenes[1]);
    int estado = 0;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.ruta()), fs::directory_iterator()), 2);
    // SIGTERM: the temporary file goes, then the program's own handler runs.
    ::kill(hijo, SIGTERM);
    for (int espera = 0; espera < 500 && ::waitpid(hijo, &estado, WNOHANG) == 0; ++espera) {
      ::usleep(10000);
    }
    if (::waitpid(hijo, &estado, WNOHANG) == 0) {
      ::kill(hijo, SIGKILL);
      ::waitpid(hijo, &estado, 0);
    }
    ASSERT_TRUE(WIFEXITED(estado)) << estado;
    EXPECT_EQ(WEXITSTATUS(estado), con_info ? 8 : 7);
    EXPECT_EQ(dir.Listado(), "out.txt");
    EXPECT_EQ(LeerArchivo(dir / "out.txt"), "old");
  }
}

}  // namespace
}  // namespace orbelux
