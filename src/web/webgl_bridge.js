// The page's side of webgl_bridge.h: WebGL on the canvas, the fixed-function shader, and the
// frame loop with its keys. Linked into gemwell.js with --js-library.

var LibraryGemwell = {
  $GemwellGL: {
    gl: null,
    program: null,
    locations: {},
    meshes: [],
    boundMesh: -1,
    faces: null,

    // GL 1.1's lighting, per vertex and in eye coordinates, for light 0 and a viewer at
    // infinity: the scene colour, then light 0's ambient, diffuse and specular terms, the
    // specular one only where the diffuse one is not zero. Both faces are lit, the back one
    // with the reversed normal, and the rasteriser picks by facing.
    vertexShader: [
      'attribute vec3 aPosition;',
      'attribute vec3 aNormal;',
      'uniform mat4 uModelView;',
      'uniform mat4 uProjection;',
      'uniform mat3 uNormalMatrix;',
      'uniform vec4 uLightPosition;',
      'uniform vec4 uScene[2];',
      'uniform vec3 uAmbient[2];',
      'uniform vec3 uDiffuse[2];',
      'uniform vec3 uSpecular[2];',
      'uniform float uShininess[2];',
      'uniform vec4 uColour;',
      'uniform float uLighting;',
      'varying vec4 vFront;',
      'varying vec4 vBack;',
      'vec4 lit(vec3 n, vec3 toLight, vec4 scene, vec3 ambient, vec3 diffuse, vec3 specular,',
      '         float shininess) {',
      '  vec3 c = scene.rgb + ambient;',
      '  float nDotL = max(dot(n, toLight), 0.0);',
      '  if (nDotL > 0.0) {',
      '    vec3 h = normalize(toLight + vec3(0.0, 0.0, 1.0));',
      '    float nDotH = max(dot(n, h), 0.0);',
      '    float f = shininess == 0.0 ? 1.0 : pow(nDotH, shininess);',
      '    c += nDotL * diffuse + f * specular;',
      '  }',
      '  return vec4(clamp(c, 0.0, 1.0), clamp(scene.a, 0.0, 1.0));',
      '}',
      'void main() {',
      '  vec4 eye = uModelView * vec4(aPosition, 1.0);',
      '  gl_Position = uProjection * eye;',
      '  if (uLighting == 0.0) {',
      '    vFront = uColour;',
      '    vBack = uColour;',
      '    return;',
      '  }',
      '  vec3 n = uNormalMatrix * aNormal;',
      '  vec3 toLight = uLightPosition.w != 0.0',
      '      ? normalize(uLightPosition.xyz / uLightPosition.w - eye.xyz / eye.w)',
      '      : normalize(uLightPosition.xyz);',
      '  vFront = lit(n, toLight, uScene[0], uAmbient[0], uDiffuse[0], uSpecular[0],',
      '               uShininess[0]);',
      '  vBack = lit(-n, toLight, uScene[1], uAmbient[1], uDiffuse[1], uSpecular[1],',
      '              uShininess[1]);',
      '}'
    ].join('\n'),

    fragmentShader: [
      'precision mediump float;',
      'uniform float uTwoSide;',
      'varying vec4 vFront;',
      'varying vec4 vBack;',
      'void main() {',
      '  gl_FragColor = uTwoSide != 0.0 && !gl_FrontFacing ? vBack : vFront;',
      '}'
    ].join('\n'),

    compile: function(gl, type, source) {
      var shader = gl.createShader(type);
      gl.shaderSource(shader, source);
      gl.compileShader(shader);
      if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS)) {
        throw new Error('gemwell: shader: ' + gl.getShaderInfoLog(shader));
      }
      return shader;
    },

    release: function() {
      var gl = GemwellGL.gl;
      if (!gl) {
        return;
      }
      GemwellGL.meshes.forEach(function(mesh) {
        gl.deleteBuffer(mesh.vertices);
        gl.deleteBuffer(mesh.indices);
      });
      gl.deleteProgram(GemwellGL.program);
      GemwellGL.meshes = [];
      GemwellGL.boundMesh = -1;
      GemwellGL.gl = null;
    }
  },

  gemwell_webgl_open__deps: ['$GemwellGL'],
  gemwell_webgl_open: function(width, height) {
    var canvas = Module['canvas'];
    canvas.width = width;
    canvas.height = height;
    // Opaque, as the native window is, and not antialiased, as Mesa draws it.
    var gl = canvas.getContext('webgl', {
      alpha: false, depth: true, stencil: false, antialias: false, premultipliedAlpha: true,
      preserveDrawingBuffer: false
    });
    if (!gl) {
      return 0;
    }
    var program = gl.createProgram();
    gl.attachShader(program, GemwellGL.compile(gl, gl.VERTEX_SHADER, GemwellGL.vertexShader));
    gl.attachShader(program, GemwellGL.compile(gl, gl.FRAGMENT_SHADER, GemwellGL.fragmentShader));
    gl.bindAttribLocation(program, 0, 'aPosition');
    gl.bindAttribLocation(program, 1, 'aNormal');
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) {
      throw new Error('gemwell: program: ' + gl.getProgramInfoLog(program));
    }
    gl.useProgram(program);
    var names = ['uModelView', 'uProjection', 'uNormalMatrix', 'uLightPosition', 'uScene',
                 'uAmbient', 'uDiffuse', 'uSpecular', 'uShininess', 'uColour', 'uLighting',
                 'uTwoSide'];
    var locations = {};
    names.forEach(function(name) {
      locations[name] = gl.getUniformLocation(program, name);
    });
    gl.enableVertexAttribArray(0);
    gl.enableVertexAttribArray(1);
    GemwellGL.gl = gl;
    GemwellGL.program = program;
    GemwellGL.locations = locations;
    GemwellGL.meshes = [];
    GemwellGL.boundMesh = -1;
    // Both faces' material uniforms, gathered for one call each.
    GemwellGL.faces = {
      scene: new Float32Array(8), ambient: new Float32Array(6), diffuse: new Float32Array(6),
      specular: new Float32Array(6), shininess: new Float32Array(2)
    };
    return 1;
  },

  gemwell_webgl_clear_colour__deps: ['$GemwellGL'],
  gemwell_webgl_clear_colour: function(red, green, blue, alpha) {
    GemwellGL.gl.clearColor(red, green, blue, alpha);
  },

  gemwell_webgl_clear__deps: ['$GemwellGL'],
  gemwell_webgl_clear: function(colour, depth) {
    var gl = GemwellGL.gl;
    gl.clear((colour ? gl.COLOR_BUFFER_BIT : 0) | (depth ? gl.DEPTH_BUFFER_BIT : 0));
  },

  gemwell_webgl_viewport__deps: ['$GemwellGL'],
  gemwell_webgl_viewport: function(x, y, width, height) {
    GemwellGL.gl.viewport(x, y, width, height);
  },

  gemwell_webgl_depth_test__deps: ['$GemwellGL'],
  gemwell_webgl_depth_test: function(enabled) {
    var gl = GemwellGL.gl;
    if (enabled) {
      gl.enable(gl.DEPTH_TEST);
    } else {
      gl.disable(gl.DEPTH_TEST);
    }
  },

  gemwell_webgl_mesh__deps: ['$GemwellGL'],
  gemwell_webgl_mesh: function(vertices, vertexCount, indices, indexCount) {
    var gl = GemwellGL.gl;
    var mesh = {vertices: gl.createBuffer(), indices: gl.createBuffer(), count: indexCount};
    gl.bindBuffer(gl.ARRAY_BUFFER, mesh.vertices);
    gl.bufferData(gl.ARRAY_BUFFER, HEAPF32.slice(vertices >> 2, (vertices >> 2) + vertexCount * 6),
                  gl.STATIC_DRAW);
    gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, mesh.indices);
    gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, HEAPU16.slice(indices >> 1, (indices >> 1) + indexCount),
                  gl.STATIC_DRAW);
    GemwellGL.meshes.push(mesh);
    GemwellGL.boundMesh = -1;
    return GemwellGL.meshes.length - 1;
  },

  // The offsets, in floats, of DrawUniforms in webgl_bridge.h.
  gemwell_webgl_draw__deps: ['$GemwellGL'],
  gemwell_webgl_draw: function(meshIndex, uniforms) {
    var gl = GemwellGL.gl;
    var at = GemwellGL.locations;
    var mesh = GemwellGL.meshes[meshIndex];
    if (GemwellGL.boundMesh !== meshIndex) {
      gl.bindBuffer(gl.ARRAY_BUFFER, mesh.vertices);
      gl.vertexAttribPointer(0, 3, gl.FLOAT, false, 24, 0);
      gl.vertexAttribPointer(1, 3, gl.FLOAT, false, 24, 12);
      gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, mesh.indices);
      GemwellGL.boundMesh = meshIndex;
    }
    var f = uniforms >> 2;
    var u = function(offset, count) {
      return HEAPF32.subarray(f + offset, f + offset + count);
    };
    gl.uniformMatrix4fv(at.uModelView, false, u(0, 16));
    gl.uniformMatrix4fv(at.uProjection, false, u(16, 16));
    gl.uniformMatrix3fv(at.uNormalMatrix, false, u(32, 9));
    gl.uniform4fv(at.uLightPosition, u(41, 4));
    // Two faces of 16 floats from 45: scene (4), ambient (4), diffuse (4), specular (3),
    // shininess (1).
    var scene = GemwellGL.faces.scene, ambient = GemwellGL.faces.ambient;
    var diffuse = GemwellGL.faces.diffuse, specular = GemwellGL.faces.specular;
    var shininess = GemwellGL.faces.shininess;
    for (var face = 0; face < 2; ++face) {
      var base = f + 45 + face * 16;
      scene.set(HEAPF32.subarray(base, base + 4), face * 4);
      ambient.set(HEAPF32.subarray(base + 4, base + 7), face * 3);
      diffuse.set(HEAPF32.subarray(base + 8, base + 11), face * 3);
      specular.set(HEAPF32.subarray(base + 12, base + 15), face * 3);
      shininess[face] = HEAPF32[base + 15];
    }
    gl.uniform4fv(at.uScene, scene);
    gl.uniform3fv(at.uAmbient, ambient);
    gl.uniform3fv(at.uDiffuse, diffuse);
    gl.uniform3fv(at.uSpecular, specular);
    gl.uniform1fv(at.uShininess, shininess);
    gl.uniform4fv(at.uColour, u(77, 4));
    gl.uniform1f(at.uLighting, HEAPF32[f + 81]);
    gl.uniform1f(at.uTwoSide, HEAPF32[f + 82]);
    gl.drawElements(gl.TRIANGLES, mesh.count, gl.UNSIGNED_SHORT, 0);
  },

  gemwell_web_run__deps: ['$GemwellGL'],
  gemwell_web_run: function() {
    var canvas = Module['canvas'];
    // GLUT's numbers for the special keys the game binds (GL/freeglut.h).
    var specialKeys = {'ArrowLeft': 100, 'ArrowUp': 101, 'ArrowRight': 102, 'ArrowDown': 103};
    var running = true;

    // The game ends by calling exit, which unwinds to here as an ExitStatus: the loop stops
    // and the page hears the status. Anything else is a real error and goes on to the console.
    function stop(error) {
      running = false;
      canvas.removeEventListener('keydown', onKey);
      GemwellGL.release();
      if (!(error instanceof ExitStatus)) {
        throw error;
      }
      if (Module['onGameEnd']) {
        Module['onGameEnd'](error.status);
      }
    }

    function call(f) {
      if (!running) {
        return;
      }
      try {
        f();
      } catch (error) {
        stop(error);
      }
    }

    function onKey(event) {
      // Browser shortcuts stay the browser's.
      if (event.ctrlKey || event.altKey || event.metaKey) {
        return;
      }
      var special = specialKeys[event.key];
      var key = special;
      if (special === undefined) {
        // A character, as the native game gets it: upper case with shift, and Latin-1 only.
        if (event.key.length !== 1 || event.key.charCodeAt(0) > 255) {
          return;
        }
        key = event.key.charCodeAt(0);
      }
      // Space and the arrows would scroll the page.
      event.preventDefault();
      call(function() {
        Module['_gemwell_web_key'](key, special === undefined ? 0 : 1);
      });
    }

    function frame() {
      call(Module['_gemwell_web_frame']);
      if (running) {
        requestAnimationFrame(frame);
      }
    }

    canvas.addEventListener('keydown', onKey);
    requestAnimationFrame(frame);
  }
};

mergeInto(LibraryManager.library, LibraryGemwell);
